#include "gpd_reader.h"

#include "text_util.h"

namespace gpd {

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

std::optional<Document> ReadFile(const std::string& path) {
  const std::optional<std::string> text = text_util::ReadWholeFile(path);
  if (!text) return std::nullopt;
  gpd_grammar::Document parsed =
      gpd_grammar::Parse(*text, path.substr(path.find_last_of("/\\") + 1));
  Document doc;
  doc.root.children = std::move(parsed.entries);
  doc.firstLine = std::move(parsed.firstLine);
  doc.errors = std::move(parsed.errors);
  return doc;
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace gpd
