#include "section_file.h"

#include "text_util.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace sections {
namespace {

using text_util::Trim;

std::string StripComment(const std::string& line, char commentChar) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (!quoted && line[i] == commentChar) return line.substr(0, i);
  }
  return line;
}

}  // namespace

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    items.push_back(Trim(list.substr(start, comma == std::string::npos ? comma : comma - start)));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

const std::vector<Line>* File::Section(const std::string& name) const {
  const auto it = sections.find(Upper(name));
  return it == sections.end() ? nullptr : &it->second;
}

std::optional<std::string> File::Value(const std::string& section, const std::string& key) const {
  const std::vector<Line>* lines = Section(section);
  if (!lines) return std::nullopt;
  for (const Line& line : *lines) {
    if (Upper(line.key) == Upper(key)) return line.value;
  }
  return std::nullopt;
}

File Parse(const std::string& text, char commentChar) {
  File file;
  std::vector<Line>* current = nullptr;
  std::istringstream in(text);
  std::string rawLine;
  while (std::getline(in, rawLine)) {
    // In an INI file only a line that starts with '#' is a comment; in an INF file a ';'
    // outside quotes starts one anywhere on the line.
    std::string line = Trim(rawLine);
    if (commentChar == '#' && line.rfind('#', 0) == 0) continue;
    if (commentChar != '#') line = Trim(StripComment(line, commentChar));
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      current = &file.sections[Upper(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    if (!current) continue;
    Line entry;
    entry.raw = line;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      entry.value = line;
    } else {
      entry.key = Trim(line.substr(0, eq));
      entry.value = Trim(line.substr(eq + 1));
    }
    current->push_back(entry);
  }
  return file;
}

std::optional<File> ReadFile(const std::string& path, char commentChar) {
  const std::optional<std::string> text = text_util::ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Parse(*text, commentChar);
}

}  // namespace sections
