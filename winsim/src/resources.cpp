// Resources read from the installer's own resource scripts: a reader for the
// subset of the resource-script language they use (LANGUAGE, STRINGTABLE,
// DIALOGEX with CONTROL statements, file resources, #include and #define),
// and the resource loader's choice of language.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "world.h"

namespace winsim {
namespace {

struct Resources {
  std::mutex lock;
  LANGID uiLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
  std::map<int, std::map<LANGID, sim::DialogTemplate>> dialogs;
  std::map<UINT, std::map<LANGID, std::wstring>> strings;
  std::map<std::string, std::map<long, std::string>> files;  // type, id: host path
};

Resources& Res() {
  static Resources resources;
  return resources;
}

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  std::fprintf(stderr, "winsim: resource script %s: %s\n", where.c_str(), what.c_str());
  std::abort();
}

const std::map<std::string, long>& BuiltinSymbols() {
  static const std::map<std::string, long> symbols = {
      {"IDOK", IDOK},
      {"IDCANCEL", IDCANCEL},
      {"IDC_STATIC", -1},
      {"WS_POPUP", WS_POPUP},
      {"WS_CHILD", WS_CHILD},
      {"WS_VISIBLE", WS_VISIBLE},
      {"WS_DISABLED", WS_DISABLED},
      {"WS_CAPTION", WS_CAPTION},
      {"WS_BORDER", WS_BORDER},
      {"WS_VSCROLL", WS_VSCROLL},
      {"WS_HSCROLL", WS_HSCROLL},
      {"WS_SYSMENU", WS_SYSMENU},
      {"WS_GROUP", WS_GROUP},
      {"WS_TABSTOP", WS_TABSTOP},
      {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
      {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
      {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
      {"WS_EX_STATICEDGE", WS_EX_STATICEDGE},
      {"DS_SETFONT", DS_SETFONT},
      {"DS_MODALFRAME", DS_MODALFRAME},
      {"DS_CENTER", DS_CENTER},
      {"DS_FIXEDSYS", DS_FIXEDSYS},
      {"DS_SHELLFONT", DS_SHELLFONT},
      {"BS_PUSHBUTTON", BS_PUSHBUTTON},
      {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
      {"BS_GROUPBOX", BS_GROUPBOX},
      {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
      {"LBS_NOTIFY", LBS_NOTIFY},
      {"LBS_SORT", LBS_SORT},
      {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
      {"LBS_HASSTRINGS", LBS_HASSTRINGS},
      {"ES_LEFT", ES_LEFT},
      {"ES_MULTILINE", ES_MULTILINE},
      {"ES_READONLY", ES_READONLY},
      {"ES_AUTOVSCROLL", ES_AUTOVSCROLL},
      {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
      {"LANG_NEUTRAL", LANG_NEUTRAL},
      {"LANG_ENGLISH", LANG_ENGLISH},
      {"LANG_CHINESE", LANG_CHINESE},
      {"SUBLANG_NEUTRAL", SUBLANG_NEUTRAL},
      {"SUBLANG_DEFAULT", SUBLANG_DEFAULT},
      {"SUBLANG_ENGLISH_US", SUBLANG_ENGLISH_US},
      {"SUBLANG_CHINESE_TRADITIONAL", SUBLANG_CHINESE_TRADITIONAL},
      {"SUBLANG_CHINESE_SIMPLIFIED", SUBLANG_CHINESE_SIMPLIFIED},
      {"CREATEPROCESS_MANIFEST_RESOURCE_ID", 1},
      {"RT_MANIFEST", 24},
  };
  return symbols;
}

struct Token {
  enum Kind { kEnd, kWord, kNumber, kString, kPunct } kind = kEnd;
  std::string text;
  std::wstring value;  // strings
  long number = 0;
};

class Script {
 public:
  Script(std::string path, std::map<std::string, long>& symbols)
      : path_(std::move(path)), symbols_(symbols) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) Fail(path_, "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    source_ = text.str();
  }

  void Parse() {
    for (Token t = Next(); t.kind != Token::kEnd; t = Next()) {
      if (t.kind == Token::kWord && t.text == "LANGUAGE") {
        long primary = Expression(0).first;
        Expect(",");
        long sub = Expression(0).first;
        language_ = MAKELANGID(primary, sub);
      } else if (t.kind == Token::kWord && t.text == "STRINGTABLE") {
        StringTable();
      } else if (t.kind == Token::kWord || t.kind == Token::kNumber) {
        long id = Value(t);
        Token type = Next();
        if (type.kind == Token::kWord && type.text == "DIALOGEX") {
          Dialog(static_cast<int>(id));
        } else if (Peek().kind == Token::kString) {
          // A file resource (manifest, bitmap): kept by type and id.
          auto file = std::filesystem::path(path_).parent_path() / Next().text;
          std::lock_guard<std::mutex> guard(Res().lock);
          Res().files[type.text][id] = file.string();
        } else {
          Fail(Where(), "unknown resource statement near " + type.text);
        }
      } else {
        Fail(Where(), "unexpected " + t.text);
      }
    }
  }

 private:
  std::string Where() const { return path_ + ":" + std::to_string(line_); }

  void SkipSpaceAndComments() {
    for (;;) {
      while (pos_ < source_.size() && std::isspace(static_cast<unsigned char>(source_[pos_]))) {
        if (source_[pos_] == '\n') ++line_;
        ++pos_;
      }
      if (source_.compare(pos_, 2, "//") == 0) {
        while (pos_ < source_.size() && source_[pos_] != '\n') ++pos_;
      } else if (source_.compare(pos_, 2, "/*") == 0) {
        size_t end = source_.find("*/", pos_ + 2);
        if (end == std::string::npos) Fail(Where(), "unterminated comment");
        for (size_t i = pos_; i < end; ++i) line_ += source_[i] == '\n';
        pos_ = end + 2;
      } else if (pos_ < source_.size() && source_[pos_] == '#') {
        Directive();
      } else {
        return;
      }
    }
  }

  void Directive() {
    size_t end = source_.find('\n', pos_);
    std::string line =
        source_.substr(pos_, end == std::string::npos ? std::string::npos : end - pos_);
    pos_ = end == std::string::npos ? source_.size() : end;
    std::istringstream words(line);
    std::string directive, argument;
    words >> directive >> argument;
    if (directive == "#pragma") return;
    if (directive == "#include") {
      if (argument.size() > 2 && argument.front() == '"') {
        auto included =
            std::filesystem::path(path_).parent_path() / argument.substr(1, argument.size() - 2);
        Script child(included.string(), symbols_);
        child.language_ = language_;
        child.Parse();
        language_ = child.language_;
      }
      return;  // <system headers>: their symbols are built in
    }
    if (directive == "#define") {
      std::string rest;
      std::getline(words, rest);
      rest.erase(0, rest.find_first_not_of(" \t("));
      if (!rest.empty()) symbols_[argument] = std::strtol(rest.c_str(), nullptr, 0);
      return;
    }
    if (directive == "#ifndef" || directive == "#ifdef") {
      bool defined = symbols_.count(argument) || BuiltinSymbols().count(argument);
      if (defined == (directive == "#ifndef")) SkipConditional();
      return;
    }
    if (directive == "#endif") return;
    Fail(Where(), "unsupported directive " + directive);
  }

  // Skips to the #endif that closes the conditional just read (no nesting,
  // no #else: the scripts do not use them).
  void SkipConditional() {
    for (;;) {
      size_t end = source_.find('\n', pos_ + 1);
      if (end == std::string::npos) Fail(Where(), "unterminated conditional");
      ++line_;
      pos_ = end;
      size_t first = source_.find_first_not_of(" \t", pos_ + 1);
      if (first != std::string::npos && source_.compare(first, 6, "#endif") == 0) {
        pos_ = source_.find('\n', first);
        if (pos_ == std::string::npos) pos_ = source_.size();
        return;
      }
    }
  }

  Token Scan() {
    SkipSpaceAndComments();
    Token t;
    if (pos_ >= source_.size()) return t;
    char c = source_[pos_];
    if (c == '"' || (c == 'L' && pos_ + 1 < source_.size() && source_[pos_ + 1] == '"')) {
      if (c == 'L') ++pos_;
      t.kind = Token::kString;
      t.value = StringLiteral();
      t.text = Narrow(t.value);
      return t;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '-' && std::isdigit(static_cast<unsigned char>(source_[pos_ + 1])))) {
      char* end = nullptr;
      t.kind = Token::kNumber;
      t.number = std::strtol(source_.c_str() + pos_, &end, 0);
      size_t used = static_cast<size_t>(end - (source_.c_str() + pos_));
      t.text = source_.substr(pos_, used);
      pos_ += used;
      while (pos_ < source_.size() && (source_[pos_] == 'L' || source_[pos_] == 'l')) ++pos_;
      return t;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      t.kind = Token::kWord;
      while (pos_ < source_.size() &&
             (std::isalnum(static_cast<unsigned char>(source_[pos_])) || source_[pos_] == '_')) {
        t.text += source_[pos_++];
      }
      return t;
    }
    t.kind = Token::kPunct;
    t.text = std::string(1, c);
    ++pos_;
    return t;
  }

  std::wstring StringLiteral() {
    std::string bytes;
    ++pos_;  // opening quote
    for (;;) {
      if (pos_ >= source_.size()) Fail(Where(), "unterminated string");
      char c = source_[pos_++];
      if (c == '"') {
        if (pos_ < source_.size() && source_[pos_] == '"') {
          bytes += '"';
          ++pos_;
          continue;
        }
        break;
      }
      if (c != '\\') {
        bytes += c;
        continue;
      }
      char e = source_[pos_++];
      switch (e) {
        case 'n':
          bytes += '\n';
          break;
        case 'r':
          bytes += '\r';
          break;
        case 't':
          bytes += '\t';
          break;
        case 'a':
          bytes += '\a';
          break;
        case '0':
          bytes += '\0';
          break;
        case '\\':
          bytes += '\\';
          break;
        case '"':
          bytes += '"';
          break;
        default:
          Fail(Where(), std::string("unsupported escape \\") + e);
      }
    }
    return Widen(bytes);
  }

  Token Next() {
    if (peeked_) {
      peeked_ = false;
      return peek_;
    }
    return Scan();
  }

  const Token& Peek() {
    if (!peeked_) {
      peek_ = Scan();
      peeked_ = true;
    }
    return peek_;
  }

  void Expect(const std::string& text) {
    Token t = Next();
    if (t.text != text) Fail(Where(), "expected " + text + ", found " + t.text);
  }

  bool Accept(const std::string& text) {
    if (Peek().text != text || Peek().kind == Token::kString) return false;
    Next();
    return true;
  }

  long Value(const Token& t) {
    if (t.kind == Token::kNumber) return t.number;
    if (t.kind == Token::kWord) {
      if (auto it = symbols_.find(t.text); it != symbols_.end()) return it->second;
      if (auto it = BuiltinSymbols().find(t.text); it != BuiltinSymbols().end()) return it->second;
    }
    Fail(Where(), "unknown symbol " + t.text);
  }

  // term (| term)*, where a term is [NOT] value or a parenthesised
  // expression; returns the bits set and the bits that NOT removes.
  std::pair<long, long> Expression(long defaults) {
    long set = defaults, removed = 0;
    do {
      bool negate = Peek().kind == Token::kWord && Peek().text == "NOT";
      if (negate) Next();
      long value;
      if (Accept("(")) {
        value = Expression(0).first;
        Expect(")");
      } else {
        value = Value(Next());
      }
      if (negate) {
        removed |= value;
        set &= ~value;
      } else {
        set |= value;
      }
    } while (Accept("|"));
    return {set, removed};
  }

  bool IsBegin(const Token& t) { return t.text == "BEGIN" || t.text == "{"; }
  bool IsEnd(const Token& t) { return t.text == "END" || t.text == "}"; }

  void StringTable() {
    while (!IsBegin(Peek())) Next();  // memory options
    Next();
    for (Token t = Next(); !IsEnd(t); t = Next()) {
      if (t.kind == Token::kEnd) Fail(Where(), "unterminated STRINGTABLE");
      long id = Value(t);
      Accept(",");
      Token text = Next();
      if (text.kind != Token::kString) Fail(Where(), "string expected");
      std::lock_guard<std::mutex> guard(Res().lock);
      Res().strings[static_cast<UINT>(id)][language_] = text.value;
    }
  }

  void Dialog(int id) {
    sim::DialogTemplate dialog;
    dialog.language = language_;
    LONG* box[] = {&dialog.rect.left, &dialog.rect.top, &dialog.rect.right, &dialog.rect.bottom};
    for (size_t i = 0; i < std::size(box); ++i) {
      if (i) Expect(",");
      *box[i] = static_cast<LONG>(Expression(0).first);
    }
    dialog.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    for (Token t = Next(); !IsBegin(t); t = Next()) {
      if (t.text == "STYLE") {
        dialog.style = static_cast<DWORD>(Expression(0).first);
      } else if (t.text == "CAPTION") {
        dialog.caption = Next().value;
      } else if (t.text == "FONT") {
        dialog.fontSize = static_cast<int>(Expression(0).first);
        Expect(",");
        dialog.fontName = Next().value;
        while (Accept(",")) Expression(0);
      } else if (t.text == "EXSTYLE") {
        Expression(0);
      } else {
        Fail(Where(), "unsupported dialog option " + t.text);
      }
    }
    for (Token t = Next(); !IsEnd(t); t = Next()) {
      if (t.text != "CONTROL")
        Fail(Where(), "only CONTROL statements are supported, found " + t.text);
      sim::DialogControl control;
      Token text = Next();
      control.text = text.kind == Token::kString ? text.value : std::wstring();
      Expect(",");
      control.id = static_cast<int>(Expression(0).first);
      Expect(",");
      control.className = Next().value;
      Expect(",");
      control.style = static_cast<DWORD>(Expression(WS_CHILD | WS_VISIBLE).first);
      LONG* fields[] = {&control.rect.left, &control.rect.top, &control.rect.right,
                        &control.rect.bottom};
      for (LONG* field : fields) {
        Expect(",");
        *field = static_cast<LONG>(Expression(0).first);
      }
      if (Accept(",")) control.exStyle = static_cast<DWORD>(Expression(0).first);
      dialog.controls.push_back(control);
    }
    std::lock_guard<std::mutex> guard(Res().lock);
    Res().dialogs[id][language_] = dialog;
  }

  std::string path_;
  std::map<std::string, long>& symbols_;
  std::string source_;
  size_t pos_ = 0;
  int line_ = 1;
  LANGID language_ = 0;
  Token peek_;
  bool peeked_ = false;
};

// The resource loader's order: the UI language, its neutral sublanguage, its
// default sublanguage, neutral English, then whatever comes first.
template <typename T>
const T* Pick(const std::map<LANGID, T>& byLanguage, LANGID ui) {
  const LANGID order[] = {ui, MAKELANGID(PRIMARYLANGID(ui), SUBLANG_NEUTRAL),
                          MAKELANGID(PRIMARYLANGID(ui), SUBLANG_DEFAULT),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)};
  for (LANGID language : order) {
    if (auto it = byLanguage.find(language); it != byLanguage.end()) return &it->second;
  }
  return byLanguage.empty() ? nullptr : &byLanguage.begin()->second;
}

}  // namespace

bool LookupDialog(int id, sim::DialogTemplate& out) {
  std::lock_guard<std::mutex> guard(Res().lock);
  auto it = Res().dialogs.find(id);
  if (it == Res().dialogs.end()) return false;
  out = *Pick(it->second, Res().uiLanguage);
  return true;
}

bool LookupString(UINT id, std::wstring& out) {
  std::lock_guard<std::mutex> guard(Res().lock);
  auto it = Res().strings.find(id);
  if (it == Res().strings.end()) return false;
  out = *Pick(it->second, Res().uiLanguage);
  return true;
}

bool LookupFileResource(const std::string& type, long id, std::string& path) {
  std::lock_guard<std::mutex> guard(Res().lock);
  auto byType = Res().files.find(type);
  if (byType == Res().files.end()) return false;
  auto it = byType->second.find(id);
  if (it == byType->second.end()) return false;
  path = it->second;
  return true;
}

void ResetResources() {
  // The scripts stay loaded: they are the program's, not the machine's.
  std::lock_guard<std::mutex> guard(Res().lock);
  Res().uiLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void LoadResourceScript(const std::string& path) {
  {
    std::lock_guard<std::mutex> guard(Res().lock);
    Res().dialogs.clear();
    Res().strings.clear();
    Res().files.clear();
  }
  std::map<std::string, long> symbols;
  Script(path, symbols).Parse();
}

void SetUiLanguage(LANGID language) {
  std::lock_guard<std::mutex> guard(Res().lock);
  Res().uiLanguage = language;
}

DialogTemplate FindDialogTemplate(int id) {
  DialogTemplate out;
  LookupDialog(id, out);
  return out;
}

std::vector<LANGID> DialogLanguages(int id) {
  std::lock_guard<std::mutex> guard(Res().lock);
  std::vector<LANGID> out;
  for (auto& [language, dialog] : Res().dialogs[id]) out.push_back(language);
  return out;
}

std::vector<LANGID> StringLanguages(UINT id) {
  std::lock_guard<std::mutex> guard(Res().lock);
  std::vector<LANGID> out;
  for (auto& [language, text] : Res().strings[id]) out.push_back(language);
  return out;
}

std::wstring StringResource(UINT id, LANGID language) {
  std::lock_guard<std::mutex> guard(Res().lock);
  auto& byLanguage = Res().strings[id];
  auto it = byLanguage.find(language);
  return it == byLanguage.end() ? std::wstring() : it->second;
}

}  // namespace sim

extern "C" int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int count) {
  std::wstring text;
  if (!buffer || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!LookupString(id, text)) {
    buffer[0] = 0;
    SetLastError(1814);  // ERROR_RESOURCE_NAME_NOT_FOUND
    return 0;
  }
  size_t n = std::min(text.size(), static_cast<size_t>(count - 1));
  text.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<int>(n);
}
