#include "gpd_grammar.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

#include "text_util.h"

namespace gpd_grammar {
namespace {

using Faults = std::vector<std::string>;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsKeywordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}
bool IsInteger(const std::string& s) {
  return IsDigits(!s.empty() && s[0] == '-' ? s.substr(1) : s);
}

// A letter, then letters, digits and underscores.
bool IsSymbolicName(const std::string& name) {
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!IsKeywordChar(c)) return false;
  }
  return true;
}

// Names joined by dots, where the parts after the first may be numbers (JOB_SETUP.10).
bool IsQualifiedName(const std::string& s) {
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t dot = s.find('.', start);
    const std::string part = s.substr(start, dot - start);
    if (!IsSymbolicName(part) && (first || !IsDigits(part))) return false;
    if (dot == std::string::npos) return true;
    start = dot + 1;
  }
}

// The one name our descriptions use outside the symbolic-name character set. The plug-in
// selects its dithering by comparing the halftone option's name with exactly this text, and
// printers already installed keep it in their saved settings, so it cannot be changed to fit.
const std::set<std::string> kNamesOutsideTheCharacterSet = {"HT_Jarvis-Judice-Ninke"};

// "*%" starts a comment only after white space or at the start of a line, and never inside a
// quoted string.
std::string StripComment(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"' && (i == 0 || line[i - 1] != '%')) quoted = !quoted;
    if (!quoted && line.compare(i, 2, "*%") == 0 && (i == 0 || IsBlank(line[i - 1]))) {
      return line.substr(0, i);
    }
  }
  return line;
}

// Reads "*Keyword: value" from the '*' at pos; the value ends at the end of the line or at a
// brace outside a quoted string.
bool ReadEntry(const std::string& s, size_t& pos, Entry& entry, Faults& errors) {
  const size_t nameStart = ++pos;
  while (pos < s.size() && IsKeywordChar(s[pos])) ++pos;
  if (pos < s.size() && s[pos] == '?') ++pos;
  entry.keyword = s.substr(nameStart, pos - nameStart);
  if (entry.keyword.empty() || !std::isalpha(static_cast<unsigned char>(entry.keyword[0]))) {
    errors.push_back(entry.where + ": '*' not followed by a keyword");
    return false;
  }
  while (pos < s.size() && IsBlank(s[pos])) ++pos;
  if (pos >= s.size() || s[pos] != ':') {
    errors.push_back(entry.where + ": *" + entry.keyword + " without ':'");
    return false;
  }
  const size_t valueStart = ++pos;
  bool quoted = false;
  for (; pos < s.size(); ++pos) {
    if (quoted && s[pos] == '%' && pos + 1 < s.size()) {
      ++pos;  // the escaped character is text
    } else if (s[pos] == '"') {
      quoted = !quoted;
    } else if (!quoted && (s[pos] == '{' || s[pos] == '}')) {
      break;
    }
  }
  entry.value = text_util::Trim(s.substr(valueStart, pos - valueStart));
  if (quoted) errors.push_back(entry.where + ": *" + entry.keyword + ": string not closed");
  return true;
}

// Reads the entries of a file into a tree; a '{' opens the block of the entry just read.
std::vector<Entry> ReadEntries(const std::string& text, const std::string& fileName,
                               Faults& errors) {
  static const std::set<std::string> kDirectives = {"Define", "Undefine", "Ifdef",  "Elseifdef",
                                                    "Else",   "Endif",    "Include"};
  std::vector<Entry> root;
  std::vector<std::vector<Entry>*> open = {&root};
  bool canOpen = false;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    const std::string where = fileName + ":" + std::to_string(++number);
    const std::string s = StripComment(line);
    for (size_t pos = 0; pos < s.size();) {
      const char c = s[pos];
      if (IsBlank(c)) {
        ++pos;
      } else if (c == '{') {
        std::vector<Entry>& level = *open.back();
        if (level.empty() || level.back().hasBlock || !canOpen) {
          errors.push_back(where + ": '{' that opens no entry's block");
        } else {
          level.back().hasBlock = true;
          open.push_back(&level.back().children);
        }
        canOpen = false;
        ++pos;
      } else if (c == '}') {
        if (open.size() == 1) errors.push_back(where + ": '}' without '{'");
        if (open.size() > 1) open.pop_back();
        canOpen = false;
        ++pos;
      } else if (c == '*') {
        Entry entry;
        entry.where = where;
        if (!ReadEntry(s, pos, entry, errors)) break;
        if (kDirectives.count(entry.keyword)) {
          errors.push_back(where + ": *" + entry.keyword + ": a directive this reader ignores");
        }
        open.back()->push_back(std::move(entry));
        canOpen = true;
      } else {
        errors.push_back(where + ": text outside an entry: " + s.substr(pos));
        break;
      }
    }
  }
  if (open.size() > 1) errors.push_back("a block is not closed at the end of the file");
  return root;
}

void Walk(const std::vector<Entry>& entries, const std::function<void(const Entry&)>& visit) {
  for (const Entry& entry : entries) {
    visit(entry);
    Walk(entry.children, visit);
  }
}

std::string Describe(const Entry& entry) {
  return entry.where + ": *" + entry.keyword + ": " + entry.value;
}

// The quoted string at pos: text with <hex> bytes, %" and %< escapes and (in commands) %% for a
// percent sign. Leaves pos after the closing quote.
std::optional<std::string> CheckQuoted(const std::string& s, size_t& pos, bool command) {
  for (++pos; pos < s.size(); ++pos) {
    const char c = s[pos];
    const char next = pos + 1 < s.size() ? s[pos + 1] : '\0';
    if (c == '"') {
      ++pos;
      return std::nullopt;
    }
    if (c == '%') {
      if (next != '"' && next != '<' && !(command && next == '%')) {
        return std::string("'%' that escapes nothing (a percent sign is %% or <25>)");
      }
      ++pos;
    } else if (c == '<') {
      const size_t close = s.find('>', pos);
      if (close == std::string::npos) return std::string("'<' without '>'");
      const std::string bytes = s.substr(pos, close - pos + 1);
      int digits = 0;
      for (size_t i = pos + 1; i < close; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(s[i]))) {
          ++digits;
        } else if (!IsBlank(s[i])) {
          return "not a hexadecimal byte: " + bytes;
        }
      }
      if (digits == 0 || digits % 2 != 0) return "hexadecimal bytes need two digits each: " + bytes;
      pos = close;
    }
  }
  return std::string("string not closed");
}

// A value of one of the types our descriptions use; a string may be several quoted pieces.
std::optional<std::string> CheckValue(const std::string& value, bool command) {
  if (value.empty() || value[0] != '"') {
    if (IsInteger(value) || IsQualifiedName(value) || ParsePair(value)) return std::nullopt;
    return value + ": none of the documented value types";
  }
  int pieces = 0;
  for (size_t pos = 0; pos < value.size(); ++pieces) {
    if (value[pos] != '"') return "text between string pieces: " + value.substr(pos);
    if (auto error = CheckQuoted(value, pos, command)) return error;
    while (pos < value.size() && IsBlank(value[pos])) ++pos;
  }
  if (command && pieces > 14) return std::string("more than 14 strings");
  return std::nullopt;
}

}  // namespace

const Entry* Entry::Find(const std::string& childKeyword) const {
  for (const Entry& child : children) {
    if (child.keyword == childKeyword) return &child;
  }
  return nullptr;
}

std::vector<const Entry*> Entry::FindAll(const std::string& childKeyword) const {
  std::vector<const Entry*> found;
  for (const Entry& child : children) {
    if (child.keyword == childKeyword) found.push_back(&child);
  }
  return found;
}

std::optional<std::string> Entry::Attribute(const std::string& childKeyword) const {
  const Entry* child = Find(childKeyword);
  if (!child) return std::nullopt;
  return child->value;
}

Document Parse(const std::string& text, const std::string& fileName) {
  Document doc;
  doc.firstLine = text.substr(0, text.find_first_of("\r\n"));
  doc.entries = ReadEntries(text, fileName, doc.errors);
  return doc;
}

std::optional<std::pair<long, long>> ParsePair(const std::string& value) {
  long x = 0;
  long y = 0;
  int end = 0;
  if (std::sscanf(value.c_str(), "PAIR(%ld ,%ld )%n", &x, &y, &end) != 2 ||
      end != static_cast<int>(value.size())) {
    return std::nullopt;
  }
  return std::make_pair(x, y);
}

std::vector<std::string> CheckValues(const Document& doc) {
  Faults faults;
  Walk(doc.entries, [&](const Entry& entry) {
    const std::string& k = entry.keyword;
    if (k == "Feature" || k == "Option" || k == "DefaultOption") return;  // checked as names
    std::optional<std::string> error;
    if (k.back() == '?') {
      if (entry.value != "TRUE" && entry.value != "FALSE") {
        error = "a boolean attribute takes TRUE or FALSE";
      }
    } else {
      error = CheckValue(entry.value, k == "Cmd");
    }
    if (error) faults.push_back(Describe(entry) + ": " + *error);
  });
  return faults;
}

std::vector<std::string> CheckFeaturesAndNames(const Document& doc) {
  Faults faults;
  auto checkName = [&](const Entry& entry) {
    if (!IsSymbolicName(entry.value) && !kNamesOutsideTheCharacterSet.count(entry.value)) {
      faults.push_back(Describe(entry) +
                       ": not a symbolic name (a letter, then letters, digits, _)");
    }
  };
  std::set<std::string> features;
  Walk(doc.entries, [&](const Entry& entry) {
    if (entry.keyword != "Feature") return;
    checkName(entry);
    if (!features.insert(entry.value).second)
      faults.push_back(Describe(entry) + ": declared twice");
    std::set<std::string> options;
    for (const Entry* option : entry.FindAll("Option")) {
      checkName(*option);
      if (!options.insert(option->value).second)
        faults.push_back(Describe(*option) + ": declared twice");
    }
    if (options.empty()) faults.push_back(Describe(entry) + ": no options");
    const size_t defaults = entry.FindAll("DefaultOption").size();
    if (defaults != 1) {
      faults.push_back(Describe(entry) + ": needs exactly one *DefaultOption, has " +
                       std::to_string(defaults));
    }
  });
  return faults;
}

std::vector<std::string> CheckResourceIds(const Document& doc, const std::set<long>& stringIds) {
  Faults faults;
  Walk(doc.entries, [&](const Entry& entry) {
    const std::string& k = entry.keyword;
    if (k.size() < 5 || k.compare(0, 2, "rc") != 0 || k.compare(k.size() - 2, 2, "ID") != 0) return;
    if (!IsInteger(entry.value)) {
      faults.push_back(Describe(entry) + ": not a resource id");
      return;
    }
    const long id = std::strtol(entry.value.c_str(), nullptr, 10);
    if (id <= 0) {
      faults.push_back(Describe(entry) + ": resource ids start at 1");
    } else if (!stringIds.count(id)) {
      faults.push_back(Describe(entry) + ": the resource library has no string " + entry.value);
    }
  });
  return faults;
}

std::vector<std::string> CheckGrayPalette(const Document& doc) {
  Faults faults;
  Walk(doc.entries, [&](const Entry& entry) {
    if (entry.keyword != "Feature" || entry.value != "ColorMode") return;
    for (const Entry* option : entry.FindAll("Option")) {
      if (option->Attribute("DrvBPP") != "8" || option->Attribute("Color?") != "FALSE") continue;
      const Entry* palette = option->Find("PaletteSize");
      if (!palette) {
        faults.push_back(Describe(*option) +
                         ": 8-bit gray without *PaletteSize (the default is 2)");
      } else if (palette->value != "256") {
        faults.push_back(Describe(*palette) + ": 8-bit gray has 256 palette entries");
      }
    }
  });
  return faults;
}

std::vector<std::string> CheckPageEnd(const Document& doc) {
  Faults faults;
  std::map<std::string, const Entry*> commands;
  const Entry* eject = nullptr;
  for (const Entry& entry : doc.entries) {
    if (entry.keyword == "Command") commands[entry.value] = &entry;
    if (entry.keyword == "EjectPageWithFF?") eject = &entry;
  }
  for (const char* required : {"CmdCR", "CmdLF", "CmdFF"}) {
    auto it = commands.find(required);
    if (it == commands.end()) {
      faults.push_back(std::string("no *Command: ") + required + " at the root");
    } else if (!it->second->Find("Cmd") && !it->second->Find("CallbackID")) {
      faults.push_back(Describe(*it->second) + ": neither *Cmd nor *CallbackID");
    }
  }
  if (!eject) faults.push_back("*EjectPageWithFF? is not declared at the root");
  return faults;
}

std::vector<std::string> CheckCommandOrder(const Document& doc) {
  static const std::set<std::string> kSections = {"JOB_SETUP",   "DOC_SETUP",  "PAGE_SETUP",
                                                  "PAGE_FINISH", "DOC_FINISH", "JOB_FINISH"};
  static const std::set<std::string> kConfigurationCommands = {
      "CmdStartJob", "CmdStartDoc", "CmdStartPage", "CmdEndPage",     "CmdEndDoc",
      "CmdEndJob",   "CmdCopies",   "CmdSelect",    "CmdSleepTimeOut"};
  Faults faults;
  Walk(doc.entries, [&](const Entry& entry) {
    if (entry.keyword != "Command" || !kConfigurationCommands.count(entry.value)) return;
    const Entry* order = entry.Find("Order");
    const size_t dot = order ? order->value.find('.') : std::string::npos;
    if (!order) {
      faults.push_back(Describe(entry) + ": a configuration command needs *Order");
    } else if (dot == std::string::npos || !kSections.count(order->value.substr(0, dot)) ||
               !IsDigits(order->value.substr(dot + 1))) {
      faults.push_back(Describe(*order) + ": not SECTION.number");
    }
  });
  return faults;
}

}  // namespace gpd_grammar
