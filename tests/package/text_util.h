// Text helpers shared by the package file readers.
#pragma once

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace text_util {

inline std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// The file's bytes, or nullopt when it cannot be opened.
inline std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace text_util
