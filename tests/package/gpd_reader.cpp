#include "gpd_reader.h"

#include "text_util.h"

#include <cstdio>

namespace gpd {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  void ParseBlock(Entry& parent, bool nested, std::vector<std::string>& errors) {
    for (;;) {
      SkipBlanksAndComments();
      if (pos_ >= text_.size()) {
        if (nested) errors.push_back("line " + std::to_string(line_) + ": block not closed");
        return;
      }
      const char c = text_[pos_];
      if (c == '}') {
        ++pos_;
        if (!nested) errors.push_back("line " + std::to_string(line_) + ": '}' without '{'");
        if (nested) return;
        continue;
      }
      if (c != '*') {
        errors.push_back("line " + std::to_string(line_) + ": text outside an entry");
        SkipToLineEnd();
        continue;
      }
      Entry entry;
      entry.line = line_;
      if (!ReadEntry(entry)) {
        errors.push_back("line " + std::to_string(entry.line) + ": entry without ':'");
        continue;
      }
      SkipBlanksAndComments();
      if (pos_ < text_.size() && text_[pos_] == '{') {
        ++pos_;
        ParseBlock(entry, true, errors);
      }
      parent.children.push_back(std::move(entry));
    }
  }

 private:
  bool AtComment() const { return text_.compare(pos_, 2, "*%") == 0; }

  void SkipToLineEnd() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  }

  void SkipBlanksAndComments() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (AtComment()) {
        SkipToLineEnd();
      } else {
        return;
      }
    }
  }

  // "*Keyword: value" up to the end of the line, a brace or a comment outside quotes.
  bool ReadEntry(Entry& entry) {
    ++pos_;  // '*'
    const size_t colon = text_.find(':', pos_);
    const size_t eol = text_.find('\n', pos_);
    if (colon == std::string::npos || colon > eol) {
      SkipToLineEnd();
      return false;
    }
    entry.keyword = text_util::Trim(text_.substr(pos_, colon - pos_));
    pos_ = colon + 1;
    bool quoted = false;
    const size_t start = pos_;
    for (; pos_ < text_.size(); ++pos_) {
      const char c = text_[pos_];
      if (c == '"') quoted = !quoted;
      if (c == '\n') break;
      if (!quoted && (c == '{' || c == '}' || AtComment())) break;
    }
    entry.value = text_util::Trim(text_.substr(start, pos_ - start));
    return true;
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
};

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

const Entry* Document::Feature(const std::string& name) const {
  for (const Entry* feature : root.FindAll("Feature")) {
    if (feature->value == name) return feature;
  }
  return nullptr;
}

std::vector<const Entry*> Document::Options(const std::string& featureName) const {
  const Entry* feature = Feature(featureName);
  return feature ? feature->FindAll("Option") : std::vector<const Entry*>{};
}

std::vector<std::string> Document::OptionNames(const std::string& featureName) const {
  std::vector<std::string> names;
  for (const Entry* option : Options(featureName)) names.push_back(option->value);
  return names;
}

Document Parse(const std::string& text) {
  Document doc;
  doc.firstLine = text.substr(0, text.find_first_of("\r\n"));
  Parser(text).ParseBlock(doc.root, false, doc.errors);
  return doc;
}

std::optional<Document> ReadFile(const std::string& path) {
  const std::optional<std::string> text = text_util::ReadWholeFile(path);
  if (!text) return std::nullopt;
  return Parse(*text);
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::optional<std::pair<long, long>> ParsePair(const std::string& value) {
  long x = 0;
  long y = 0;
  char close = 0;
  if (std::sscanf(value.c_str(), "PAIR(%ld ,%ld %c", &x, &y, &close) != 3 || close != ')') {
    return std::nullopt;
  }
  return std::make_pair(x, y);
}

}  // namespace gpd
