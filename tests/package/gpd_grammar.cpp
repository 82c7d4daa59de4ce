#include "gpd_grammar.h"

#include <cctype>
#include <map>

#include "text_util.h"

namespace gpd_grammar {
namespace {

struct Line {
  std::string text;
  std::string where;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

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

// Splits a file into logical lines: comments removed, "+" continuation lines joined to the
// line they continue.
std::vector<Line> LogicalLines(const std::string& text, const std::string& fileName,
                               std::vector<std::string>& errors) {
  std::vector<Line> lines;
  size_t start = 0;
  for (int number = 1; start <= text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string content = text_util::Trim(StripComment(text.substr(start, end - start)));
    const std::string where = fileName + ":" + std::to_string(number);
    if (!content.empty() && content[0] == '+') {
      if (lines.empty()) {
        errors.push_back(where + ": continuation line with nothing to continue");
      } else {
        lines.back().text.append(1, ' ').append(text_util::Trim(content.substr(1)));
      }
    } else if (!content.empty()) {
      lines.push_back({content, where});
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

bool StartsWithDirective(const std::string& line, const char* directive, std::string& argument) {
  const std::string prefix = std::string("*") + directive;
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  const std::string rest = text_util::Trim(line.substr(prefix.size()));
  if (rest.empty() || rest[0] != ':') return false;
  argument = text_util::Trim(rest.substr(1));
  return true;
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The preprocessor: conditional sections and included files, before any entry is read.
class Preprocessor {
 public:
  Preprocessor(const IncludeReader& readInclude, std::vector<std::string>& errors)
      : readInclude_(readInclude), errors_(errors) {
    for (const char* symbol : {"WINNT_40", "WINNT_50", "WINNT_51", "PARSER_VER_1.0"}) {
      defined_.insert(symbol);
    }
  }

  void Run(const std::string& text, const std::string& fileName, std::vector<Line>& out,
           int depth) {
    struct Conditional {
      bool active;  // this section's entries are read
      bool taken;   // some section of this *Ifdef has been read
      bool outerActive;
    };
    std::vector<Conditional> stack;
    auto active = [&] { return stack.empty() || stack.back().active; };
    for (const Line& line : LogicalLines(text, fileName, errors_)) {
      std::string argument;
      if (StartsWithDirective(line.text, "Ifdef", argument)) {
        const bool outer = active();
        const bool on = outer && defined_.count(argument) > 0;
        stack.push_back({on, on, outer});
      } else if (StartsWithDirective(line.text, "Elseifdef", argument)) {
        if (stack.empty()) {
          errors_.push_back(line.where + ": *Elseifdef without *Ifdef");
          continue;
        }
        Conditional& c = stack.back();
        c.active = c.outerActive && !c.taken && defined_.count(argument) > 0;
        c.taken = c.taken || c.active;
      } else if (StartsWithDirective(line.text, "Else", argument)) {
        if (stack.empty()) {
          errors_.push_back(line.where + ": *Else without *Ifdef");
          continue;
        }
        Conditional& c = stack.back();
        c.active = c.outerActive && !c.taken;
        c.taken = true;
      } else if (StartsWithDirective(line.text, "Endif", argument)) {
        if (stack.empty()) {
          errors_.push_back(line.where + ": *Endif without *Ifdef");
        } else {
          stack.pop_back();
        }
      } else if (!active()) {
        continue;
      } else if (StartsWithDirective(line.text, "Define", argument)) {
        defined_.insert(argument);
      } else if (StartsWithDirective(line.text, "Undefine", argument)) {
        defined_.erase(argument);
      } else if (StartsWithDirective(line.text, "Include", argument)) {
        Include(Unquote(argument), line.where, out, depth);
      } else {
        out.push_back(line);
      }
    }
    if (!stack.empty()) errors_.push_back(fileName + ": *Ifdef without *Endif");
  }

 private:
  void Include(const std::string& name, const std::string& where, std::vector<Line>& out,
               int depth) {
    if (depth >= 8) {
      errors_.push_back(where + ": *Include nested too deeply (a file including itself?)");
      return;
    }
    std::optional<std::string> text = readInclude_ ? readInclude_(name) : std::nullopt;
    if (!text) {
      errors_.push_back(where + ": included file " + name + " not found");
      return;
    }
    Run(*text, name, out, depth + 1);
  }

  const IncludeReader& readInclude_;
  std::vector<std::string>& errors_;
  std::set<std::string> defined_;
};

bool IsKeywordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Reads the entries of the preprocessed lines into a tree. An entry ends at the end of its
// line or at a brace; a brace inside a quoted string or a command argument (%d{...}) is text.
class EntryReader {
 public:
  EntryReader(const std::vector<Line>& lines, std::vector<std::string>& errors)
      : lines_(lines), errors_(errors) {}

  std::vector<Entry> Read() {
    std::vector<Entry> root;
    std::vector<std::vector<Entry>*> open = {&root};
    int ignoring = 0;  // brace depth inside an *IgnoreBlock
    bool ignoreBlockPending = false;
    for (const Line& line : lines_) {
      const std::string& s = line.text;
      size_t pos = 0;
      while (pos < s.size()) {
        const char c = s[pos];
        if (IsBlank(c)) {
          ++pos;
        } else if (ignoring > 0 || ignoreBlockPending) {
          if (c == '{') {
            ++ignoring;
            ignoreBlockPending = false;
          } else if (c == '}') {
            --ignoring;
          } else if (ignoreBlockPending) {
            errors_.push_back(line.where + ": *IgnoreBlock without its braces");
            ignoreBlockPending = false;
            continue;
          }
          ++pos;
        } else if (c == '{') {
          std::vector<Entry>& level = *open.back();
          if (level.empty() || level.back().hasBlock || !canOpen_) {
            errors_.push_back(line.where + ": '{' that opens no entry's block");
            ++pos;
            continue;
          }
          level.back().hasBlock = true;
          open.push_back(&level.back().children);
          canOpen_ = false;
          ++pos;
        } else if (c == '}') {
          if (open.size() == 1) {
            errors_.push_back(line.where + ": '}' without '{'");
          } else {
            open.pop_back();
          }
          canOpen_ = false;
          ++pos;
        } else if (c == '*') {
          Entry entry;
          entry.where = line.where;
          if (!ReadEntry(s, pos, entry, line.where)) {
            pos = s.size();
            continue;
          }
          if (entry.keyword == "IgnoreBlock") {
            ignoreBlockPending = true;
            continue;
          }
          open.back()->push_back(std::move(entry));
          canOpen_ = true;
        } else {
          errors_.push_back(line.where + ": text outside an entry: " + s.substr(pos));
          pos = s.size();
        }
      }
    }
    if (open.size() > 1) errors_.push_back("a block is not closed at the end of the file");
    if (ignoring > 0 || ignoreBlockPending) errors_.push_back("*IgnoreBlock not closed");
    return root;
  }

 private:
  bool ReadEntry(const std::string& s, size_t& pos, Entry& entry, const std::string& where) {
    ++pos;  // '*'
    const size_t nameStart = pos;
    while (pos < s.size() && IsKeywordChar(s[pos])) ++pos;
    if (pos < s.size() && s[pos] == '?') ++pos;
    entry.keyword = s.substr(nameStart, pos - nameStart);
    if (entry.keyword.empty() || !std::isalpha(static_cast<unsigned char>(entry.keyword[0]))) {
      errors_.push_back(where + ": '*' not followed by a keyword");
      return false;
    }
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    if (entry.keyword == "IgnoreBlock") return true;
    if (pos >= s.size() || s[pos] != ':') {
      errors_.push_back(where + ": *" + entry.keyword + " without ':'");
      return false;
    }
    ++pos;
    const size_t valueStart = pos;
    bool quoted = false;
    int argumentBraces = 0;
    for (; pos < s.size(); ++pos) {
      const char c = s[pos];
      if (quoted) {
        if (c == '%' && pos + 1 < s.size()) {
          ++pos;  // the escaped character is text
        } else if (c == '"') {
          quoted = false;
        }
        continue;
      }
      if (c == '"') {
        quoted = true;
      } else if (c == '%') {
        // A command argument: %type{expression}, possibly with a [min,max] range.
        size_t brace = s.find('{', pos);
        if (brace != std::string::npos && s.find('"', pos) > brace) {
          argumentBraces = 1;
          pos = brace;
        }
      } else if (argumentBraces > 0) {
        if (c == '{') ++argumentBraces;
        if (c == '}') --argumentBraces;
      } else if (c == '{' || c == '}') {
        break;
      }
    }
    entry.value = text_util::Trim(s.substr(valueStart, pos - valueStart));
    if (quoted) errors_.push_back(where + ": *" + entry.keyword + ": string not closed");
    return true;
  }

  const std::vector<Line>& lines_;
  std::vector<std::string>& errors_;
  bool canOpen_ = false;  // a '{' now opens the block of the entry just read
};

void Walk(const std::vector<Entry>& entries, const std::function<void(const Entry&)>& visit) {
  for (const Entry& entry : entries) {
    visit(entry);
    Walk(entry.children, visit);
  }
}

std::string Describe(const Entry& entry) {
  return entry.where + ": *" + entry.keyword + ": " + entry.value;
}

bool IsInteger(const std::string& s) {
  if (s == "*") return true;
  size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
  if (s.compare(i, 2, "0x") == 0) {
    if (i != 0 || s.size() == 2) return false;
    for (size_t j = 2; j < s.size(); ++j) {
      if (!std::isxdigit(static_cast<unsigned char>(s[j]))) return false;
    }
    return true;
  }
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

// A constant or a qualified name: names and numbers joined by dots (Feature.Option,
// JOB_SETUP.10, RESDLL.Option.1).
bool IsQualifiedName(const std::string& s) {
  size_t start = 0;
  bool first = true;
  for (;;) {
    const size_t dot = s.find('.', start);
    const std::string part =
        s.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!(IsSymbolicName(part) || (!first && IsInteger(part) && part[0] != '-'))) return false;
    if (dot == std::string::npos) return true;
    start = dot + 1;
    first = false;
  }
}

class ValueScanner {
 public:
  explicit ValueScanner(const std::string& value) : s_(value) {}

  // Checks the whole value; counts the pieces of a command string on the way.
  std::optional<std::string> Check(bool command) {
    SkipBlanks();
    if (pos_ >= s_.size()) return std::nullopt;  // an empty value (e.g. *Else:) is allowed
    if (s_[pos_] == '"' || s_[pos_] == '%') return CheckStringPieces(command);
    std::string item = s_.substr(pos_);
    // The command short form "*Command: CmdName: string" names the command first.
    const size_t colon = item.find(':');
    if (command && colon != std::string::npos &&
        IsSymbolicName(text_util::Trim(item.substr(0, colon)))) {
      pos_ += colon + 1;
      return Check(true);
    }
    return CheckItem(text_util::Trim(item));
  }

  int pieces() const { return pieces_; }

 private:
  void SkipBlanks() {
    while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
  }

  std::optional<std::string> CheckStringPieces(bool command) {
    while (SkipBlanks(), pos_ < s_.size()) {
      if (s_[pos_] == '"') {
        if (auto error = CheckQuoted(command)) return error;
      } else if (s_[pos_] == '%' && command) {
        if (auto error = CheckArgument()) return error;
      } else {
        return "text between string pieces: " + s_.substr(pos_);
      }
      ++pieces_;
    }
    return std::nullopt;
  }

  // "text" with <hex> bytes, %" and %< escapes, and (in commands) %% for a percent sign.
  std::optional<std::string> CheckQuoted(bool command) {
    ++pos_;
    for (; pos_ < s_.size(); ++pos_) {
      const char c = s_[pos_];
      if (c == '"') {
        ++pos_;
        return std::nullopt;
      }
      if (c == '%') {
        const char next = pos_ + 1 < s_.size() ? s_[pos_ + 1] : '\0';
        if (next == '"' || next == '<' || (command && next == '%')) {
          ++pos_;
          continue;
        }
        return std::string("'%' that escapes nothing (a percent sign is %% or <25>)");
      }
      if (c == '<') {
        const size_t close = s_.find('>', pos_);
        if (close == std::string::npos) return std::string("'<' without '>'");
        int digits = 0;
        for (size_t i = pos_ + 1; i < close; ++i) {
          if (std::isxdigit(static_cast<unsigned char>(s_[i]))) {
            ++digits;
          } else if (!IsBlank(s_[i])) {
            return "not a hexadecimal byte: " + s_.substr(pos_, close - pos_ + 1);
          }
        }
        if (digits == 0 || digits % 2 != 0) {
          return "hexadecimal bytes need two digits each: " + s_.substr(pos_, close - pos_ + 1);
        }
        pos_ = close;
      }
    }
    return std::string("string not closed");
  }

  // %d{expression}, %d[min,max]{expression}: a type letter, an optional range, braces.
  std::optional<std::string> CheckArgument() {
    ++pos_;
    const size_t typeStart = pos_;
    while (pos_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    if (pos_ == typeStart) return std::string("command argument without a type letter");
    if (pos_ < s_.size() && s_[pos_] == '[') {
      const size_t close = s_.find(']', pos_);
      if (close == std::string::npos) return std::string("argument range not closed");
      pos_ = close + 1;
    }
    if (pos_ >= s_.size() || s_[pos_] != '{')
      return std::string("command argument without {expression}");
    int depth = 0;
    for (; pos_ < s_.size(); ++pos_) {
      if (s_[pos_] == '{') ++depth;
      if (s_[pos_] == '}' && --depth == 0) {
        ++pos_;
        return std::nullopt;
      }
    }
    return std::string("command argument not closed");
  }

  std::optional<std::string> CheckItem(const std::string& item) {
    if (item.empty()) return std::string("empty item");
    if (IsInteger(item) || IsQualifiedName(item)) return std::nullopt;
    if (item[0] == '=' && IsSymbolicName(item.substr(1))) return std::nullopt;
    if (item[0] == '"') {
      ValueScanner inner(item);
      return inner.Check(false);
    }
    for (const char* form : {"PAIR", "RECT", "LIST"}) {
      const std::string open = std::string(form) + "(";
      if (item.compare(0, open.size(), open) != 0) continue;
      if (item.back() != ')') return item + ": not closed";
      const std::vector<std::string> parts =
          SplitTopLevel(item.substr(open.size(), item.size() - open.size() - 1));
      const size_t expected = form[0] == 'P' ? 2 : form[0] == 'R' ? 4 : 0;
      if (expected && parts.size() != expected) {
        return item + ": " + form + " takes " + std::to_string(expected) + " values";
      }
      for (const std::string& part : parts) {
        if (expected && !IsInteger(part)) return item + ": " + part + " is not an integer";
        if (auto error = CheckItem(part)) return item + ": " + *error;
      }
      return std::nullopt;
    }
    return item + ": none of the documented value types";
  }

  static std::vector<std::string> SplitTopLevel(const std::string& list) {
    std::vector<std::string> parts;
    int depth = 0;
    std::string part;
    for (char c : list + ",") {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == ',' && depth == 0) {
        parts.push_back(text_util::Trim(part));
        part.clear();
      } else {
        part += c;
      }
    }
    return parts;
  }

  const std::string& s_;
  size_t pos_ = 0;
  int pieces_ = 0;
};

bool IsNameEntry(const std::string& keyword) {
  return keyword == "Feature" || keyword == "Option" || keyword == "DefaultOption";
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

Document Parse(const std::string& text, const std::string& fileName,
               const IncludeReader& readInclude) {
  Document doc;
  doc.firstLine = text.substr(0, text.find_first_of("\r\n"));
  std::vector<Line> lines;
  Preprocessor(readInclude, doc.errors).Run(text, fileName, lines, 0);
  doc.entries = EntryReader(lines, doc.errors).Read();
  return doc;
}

bool IsSymbolicName(const std::string& name) {
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!IsKeywordChar(c)) return false;
  }
  return true;
}

std::vector<std::string> CheckSpecVersionFirst(const Document& doc) {
  std::vector<std::string> faults;
  if (text_util::Trim(doc.firstLine) != "*GPDSpecVersion: \"1.0\"") {
    faults.push_back("the first line is \"" + doc.firstLine + "\", not *GPDSpecVersion: \"1.0\"");
  }
  if (doc.entries.empty() || doc.entries.front().keyword != "GPDSpecVersion") {
    faults.push_back("*GPDSpecVersion is not the first entry");
  }
  return faults;
}

std::vector<std::string> CheckValues(const Document& doc) {
  std::vector<std::string> faults;
  Walk(doc.entries, [&](const Entry& entry) {
    if (IsNameEntry(entry.keyword)) return;  // names have a check of their own
    if (entry.keyword.back() == '?') {
      if (entry.value != "TRUE" && entry.value != "FALSE") {
        faults.push_back(Describe(entry) + ": a boolean attribute takes TRUE or FALSE");
      }
      return;
    }
    const bool command = entry.keyword == "Cmd" || entry.keyword == "Command";
    ValueScanner scanner(entry.value);
    if (auto error = scanner.Check(command)) {
      faults.push_back(Describe(entry) + ": " + *error);
    } else if (command && scanner.pieces() > 14) {
      faults.push_back(Describe(entry) + ": more than 14 strings and arguments");
    }
  });
  return faults;
}

std::vector<std::string> CheckFeaturesAndNames(const Document& doc) {
  std::vector<std::string> faults;
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
    const std::vector<const Entry*> defaults = entry.FindAll("DefaultOption");
    if (defaults.size() != 1) {
      faults.push_back(Describe(entry) + ": needs exactly one *DefaultOption, has " +
                       std::to_string(defaults.size()));
    }
    for (const Entry* defaultOption : defaults) {
      checkName(*defaultOption);
      if (!options.count(defaultOption->value)) {
        faults.push_back(Describe(*defaultOption) + ": no such option in feature " + entry.value);
      }
    }
  });
  return faults;
}

std::vector<std::string> CheckResourceIds(const Document& doc, const std::set<long>& stringIds) {
  std::vector<std::string> faults;
  Walk(doc.entries, [&](const Entry& entry) {
    const std::string& k = entry.keyword;
    if (k.size() < 5 || k.compare(0, 2, "rc") != 0 || k.compare(k.size() - 2, 2, "ID") != 0) return;
    if (!entry.value.empty() && entry.value[0] == '=') return;  // a macro of the platform's names
    if (!IsInteger(entry.value) || entry.value == "*") {
      faults.push_back(Describe(entry) + ": not a resource id");
      return;
    }
    const long id = std::stol(entry.value, nullptr, 0);
    if (id <= 0) {
      faults.push_back(Describe(entry) + ": resource ids start at 1");
    } else if (!stringIds.count(id)) {
      faults.push_back(Describe(entry) + ": the resource library has no string " + entry.value);
    }
  });
  return faults;
}

std::vector<std::string> CheckGrayPalette(const Document& doc) {
  std::vector<std::string> faults;
  Walk(doc.entries, [&](const Entry& entry) {
    if (entry.keyword != "Feature" || entry.value != "ColorMode") return;
    for (const Entry* option : entry.FindAll("Option")) {
      const Entry* bpp = option->Find("DrvBPP");
      const Entry* color = option->Find("Color?");
      if (!bpp || bpp->value != "8" || !color || color->value != "FALSE") continue;
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
  std::vector<std::string> faults;
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
  std::vector<std::string> faults;
  std::map<std::string, std::string> owners;  // "SECTION.n" -> the feature or root command using it
  std::function<void(const std::vector<Entry>&, const std::string&)> visit =
      [&](const std::vector<Entry>& entries, const std::string& feature) {
        for (const Entry& entry : entries) {
          if (entry.keyword == "Feature") {
            visit(entry.children, entry.value);
            continue;
          }
          if (entry.keyword == "Command" && kConfigurationCommands.count(entry.value)) {
            const Entry* order = entry.Find("Order");
            const std::string owner = feature.empty() ? entry.value : feature;
            const size_t dot = order ? order->value.find('.') : std::string::npos;
            if (!order) {
              faults.push_back(Describe(entry) + ": a configuration command needs *Order");
            } else if (dot == std::string::npos || !kSections.count(order->value.substr(0, dot)) ||
                       !IsInteger(order->value.substr(dot + 1))) {
              faults.push_back(Describe(*order) + ": not SECTION.number");
            } else if (auto [it, added] = owners.emplace(order->value, owner);
                       !added && it->second != owner) {
              faults.push_back(Describe(*order) + ": also used by " + it->second);
            }
            continue;
          }
          visit(entry.children, feature);
        }
      };
  visit(doc.entries, "");
  return faults;
}

}  // namespace gpd_grammar
