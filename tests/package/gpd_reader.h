// The shipped printer descriptions as our own checks read them: the grammar's reader
// (gpd_grammar.h) with a file's entries under one root, and lookups by feature and option.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gpd_grammar.h"

namespace gpd {

using Entry = gpd_grammar::Entry;

struct Document {
  Entry root;                       // keyword empty; the file's entries are its children
  std::string firstLine;            // the file's first line, as written
  std::vector<std::string> errors;  // syntax faults, each with its place

  const Entry* Feature(const std::string& name) const;
  std::vector<const Entry*> Options(const std::string& featureName) const;
  std::vector<std::string> OptionNames(const std::string& featureName) const;
};

// `path` names the file in the entries' places.
std::optional<Document> ReadFile(const std::string& path);

// "\"text\"" -> "text"; anything else unchanged.
std::string Unquote(const std::string& value);
using gpd_grammar::ParsePair;

}  // namespace gpd
