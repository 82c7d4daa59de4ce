// A small reader of printer description (GPD) files: enough of the syntax to check what our
// own descriptions declare (entries, nested blocks, comments, quoted strings).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace gpd {

// One "*Keyword: value" entry and the block that follows it, if any.
struct Entry {
  std::string keyword;  // without the leading '*'
  std::string value;    // trimmed text after the colon, quotes kept
  int line = 0;
  std::vector<Entry> children;

  // The first child with this keyword, or nullptr.
  const Entry* Find(const std::string& childKeyword) const;
  // Every child with this keyword, in file order.
  std::vector<const Entry*> FindAll(const std::string& childKeyword) const;
  // The value of the first child with this keyword.
  std::optional<std::string> Attribute(const std::string& childKeyword) const;
};

struct Document {
  Entry root;                       // keyword empty; the file's entries are its children
  std::string firstLine;            // the file's first line, as written
  std::vector<std::string> errors;  // syntax faults: unbalanced braces, stray text

  const Entry* Feature(const std::string& name) const;
  std::vector<const Entry*> Options(const std::string& featureName) const;
  std::vector<std::string> OptionNames(const std::string& featureName) const;
};

Document Parse(const std::string& text);
std::optional<Document> ReadFile(const std::string& path);

// "\"text\"" -> "text"; anything else unchanged.
std::string Unquote(const std::string& value);
// "PAIR(576, 2374)" -> {576, 2374}.
std::optional<std::pair<long, long>> ParsePair(const std::string& value);

}  // namespace gpd
