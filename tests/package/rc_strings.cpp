#include "rc_strings.h"

#include "text_util.h"

#include <cstdlib>
#include <sstream>

namespace rc {
namespace {

using text_util::Trim;

// `1001  "text"` -> id and text; a doubled quote inside the text stands for one quote.
bool ParseStringLine(const std::string& line, long& id, std::string& text) {
  char* end = nullptr;
  id = std::strtol(line.c_str(), &end, 10);
  if (end == line.c_str()) return false;
  std::string rest = Trim(end);
  if (!rest.empty() && rest.front() == ',') rest = Trim(rest.substr(1));
  if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') return false;
  text.clear();
  for (size_t i = 1; i + 1 < rest.size(); ++i) {
    if (rest[i] == '"') {
      if (rest[i + 1] != '"' || i + 2 >= rest.size()) return false;
      ++i;
    }
    text += rest[i];
  }
  return true;
}

}  // namespace

Script Parse(const std::string& text) {
  Script script;
  std::istringstream in(text);
  std::string language;
  enum { kOutside, kHeader, kBody } state = kOutside;
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    const std::string line = Trim(raw);
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (state == kOutside) {
      if (line.rfind("LANGUAGE ", 0) == 0) language = Trim(line.substr(9));
      if (line == "STRINGTABLE") {
        if (language.empty()) script.error = where + "string table without a language";
        state = kHeader;
      }
    } else if (state == kHeader) {
      if (line != "BEGIN") script.error = where + "expected BEGIN";
      state = kBody;
    } else if (line == "END") {
      state = kOutside;
    } else {
      long id = 0;
      std::string value;
      if (!ParseStringLine(line, id, value)) {
        script.error = where + "unreadable string entry";
      } else if (!script.tables[language].emplace(id, value).second) {
        script.error = where + "string " + std::to_string(id) + " defined twice";
      }
    }
  }
  if (state != kOutside && script.error.empty()) script.error = "string table not closed";
  return script;
}

std::optional<Script> ReadFile(const std::string& path) {
  const std::optional<std::string> text = text_util::ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Parse(*text);
}

}  // namespace rc
