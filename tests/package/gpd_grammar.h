// A reader of printer description (GPD) files for the part of the documented grammar our
// descriptions use: "*%" comments, entries with their blocks in braces, and the value types
// quoted strings (with <hex> bytes and % escapes), integers, symbolic and qualified names,
// PAIR and booleans. The preprocessor directives are reported as faults rather than read, so
// a description that starts to use them is noticed. The checks below each return what they
// find wrong, one text per fault, so that a test can show both that the shipped files pass
// and that a broken file does not.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace gpd_grammar {

struct Entry {
  std::string keyword;  // without the leading '*'
  std::string value;    // the text after the colon, trimmed
  std::string where;    // "FILE:LINE" of the keyword
  std::vector<Entry> children;
  bool hasBlock = false;

  const Entry* Find(const std::string& childKeyword) const;
  std::vector<const Entry*> FindAll(const std::string& childKeyword) const;
  // The value of the first child with this keyword.
  std::optional<std::string> Attribute(const std::string& childKeyword) const;
};

struct Document {
  std::vector<Entry> entries;       // root level
  std::string firstLine;            // the file's first line, as written
  std::vector<std::string> errors;  // syntax faults, each with its place
};

Document Parse(const std::string& text, const std::string& fileName);

// "PAIR(576, 2374)" -> {576, 2374}.
std::optional<std::pair<long, long>> ParsePair(const std::string& value);

// Each check returns one text per fault found, naming the entry and its place.
// Every value is one of the value types above; boolean attributes ("...?") are TRUE or FALSE;
// command strings have valid escapes and at most 14 pieces.
std::vector<std::string> CheckValues(const Document& doc);
// Feature and option names follow the symbolic-name rules (with one exception), are unique,
// every feature has options and exactly one *DefaultOption.
std::vector<std::string> CheckFeaturesAndNames(const Document& doc);
// Every numeric resource reference (*rcNameID and the other *rc...ID attributes) is a string
// the resource library holds.
std::vector<std::string> CheckResourceIds(const Document& doc, const std::set<long>& stringIds);
// An 8-bit gray colour mode declares the 256 entries of its palette.
std::vector<std::string> CheckGrayPalette(const Document& doc);
// The end of a page is declared, not left to defaults: *EjectPageWithFF? at the root, and the
// form-feed command it then relies on (the cursor commands CR, LF and FF are required anyway).
std::vector<std::string> CheckPageEnd(const Document& doc);
// Every configuration command, at the root or in an option, has an *Order naming one of the
// six job sections and a sequence number.
std::vector<std::string> CheckCommandOrder(const Document& doc);

}  // namespace gpd_grammar
