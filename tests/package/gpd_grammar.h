// A reader of printer description (GPD) files that follows the platform's documented grammar
// rather than our own use of it: preprocessor directives (*Define, *Ifdef ... *Endif,
// *Include), "*%" comments, "+" continuation lines, *IgnoreBlock, and the documented value
// types (symbolic names, quoted strings with <hex> bytes and % escapes, command arguments,
// constants, integers, booleans, LIST, PAIR, RECT, =macro references). The checks below each
// return what they find wrong, one text per fault, so that a test can show both that the
// shipped files pass and that a broken file does not.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace gpd_grammar {

struct Entry {
  std::string keyword;  // without the leading '*'
  std::string value;    // the text after the colon, trimmed, continuation lines joined
  std::string where;    // "FILE:LINE" of the keyword
  std::vector<Entry> children;
  bool hasBlock = false;

  const Entry* Find(const std::string& childKeyword) const;
  std::vector<const Entry*> FindAll(const std::string& childKeyword) const;
  // The value of the first child with this keyword.
  std::optional<std::string> Attribute(const std::string& childKeyword) const;
};

struct Document {
  std::vector<Entry> entries;       // root level, includes expanded in place
  std::string firstLine;            // the main file's first line, as written
  std::vector<std::string> errors;  // syntax faults, each with its place
};

// Returns the text of an included file, or nullopt when there is none by that name.
using IncludeReader = std::function<std::optional<std::string>(const std::string& name)>;

Document Parse(const std::string& text, const std::string& fileName,
               const IncludeReader& readInclude = {});

// Symbolic names: a letter, then letters, digits and underscores.
bool IsSymbolicName(const std::string& name);

// The one name our descriptions use outside that character set. The plug-in selects its
// dithering by comparing the halftone option's name with exactly this text, and printers
// already installed keep it in their saved settings, so the name cannot be changed to fit.
inline const std::set<std::string> kNamesOutsideTheCharacterSet = {"HT_Jarvis-Judice-Ninke"};

// Each check returns one text per fault found, naming the entry and its place.
// *GPDSpecVersion: "1.0" as the very first line of the file, before any comment.
std::vector<std::string> CheckSpecVersionFirst(const Document& doc);
// Every value is one of the documented value types; boolean attributes ("...?") are TRUE or
// FALSE; command strings have valid escapes and at most 14 pieces.
std::vector<std::string> CheckValues(const Document& doc);
// Feature, option and default option names follow the symbolic-name rules (with the one
// exception above), are unique, and every feature's *DefaultOption names one of its options.
std::vector<std::string> CheckFeaturesAndNames(const Document& doc);
// Every numeric resource reference (*rcNameID and the other *rc...ID attributes) is a string
// the resource library holds.
std::vector<std::string> CheckResourceIds(const Document& doc, const std::set<long>& stringIds);
// An 8-bit gray colour mode declares the 256 entries of its palette.
std::vector<std::string> CheckGrayPalette(const Document& doc);
// The end of a page is declared, not left to defaults: *EjectPageWithFF? at the root, and the
// form-feed command it then relies on (the cursor commands CR, LF and FF are required anyway).
std::vector<std::string> CheckPageEnd(const Document& doc);
// Configuration commands have an *Order in a known section; no two commands of different
// features (or of the root) share a section and sequence number.
std::vector<std::string> CheckCommandOrder(const Document& doc);

}  // namespace gpd_grammar
