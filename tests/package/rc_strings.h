// Reads the string tables of a UTF-8 resource script, one table per LANGUAGE statement, so
// that the descriptions' display-name references can be checked in every language.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace rc {

// Keyed by the LANGUAGE statement's text, e.g. "LANG_ENGLISH, SUBLANG_ENGLISH_US".
using StringTables = std::map<std::string, std::map<long, std::string>>;

struct Script {
  StringTables tables;
  std::string error;  // empty when the string tables were read completely
};

Script Parse(const std::string& text);
std::optional<Script> ReadFile(const std::string& path);

}  // namespace rc
