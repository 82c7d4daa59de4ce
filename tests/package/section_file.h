// Reader of the sectioned text files of the package: wizard INF files and the plug-in's
// configuration (INI) files.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sections {

struct Line {
  std::string key;    // text before the first '=', trimmed; empty when there is no '='
  std::string value;  // text after the first '=', trimmed; the whole line when there is no '='
  std::string raw;    // the line as written, comment removed
};

struct File {
  // Section names are compared without regard to case, as the platform does.
  std::map<std::string, std::vector<Line>> sections;  // keyed by upper-case name

  const std::vector<Line>* Section(const std::string& name) const;
  // The value of the first line with this key (keys compared without regard to case).
  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
};

// commentChar: ';' for INF files, '#' for the plug-in's INI files.
File Parse(const std::string& text, char commentChar);
std::optional<File> ReadFile(const std::string& path, char commentChar);

std::string Upper(std::string s);
// "a, b ,c" -> {"a", "b", "c"}; empty items are kept.
std::vector<std::string> SplitList(const std::string& list);

}  // namespace sections
