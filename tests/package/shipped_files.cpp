#include "shipped_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "package_facts.h"

namespace shipped {
namespace {

template <typename T, typename Reader>
const T& Cached(std::map<std::string, T>& cache, const std::string& name, Reader read) {
  auto it = cache.find(name);
  if (it == cache.end()) {
    const std::string path = package_facts::PackagePath(name);
    std::optional<T> file = read(path);
    EXPECT_TRUE(file.has_value()) << "cannot read " << path;
    it = cache.emplace(name, file.value_or(T{})).first;
  }
  return it->second;
}

}  // namespace

const gpd::Document& Description(const std::string& name) {
  static std::map<std::string, gpd::Document> cache;
  return Cached(cache, name, [](const std::string& path) { return gpd::ReadFile(path); });
}

const sections::File& Inf(const std::string& name) {
  static std::map<std::string, sections::File> cache;
  return Cached(cache, name, [](const std::string& path) { return sections::ReadFile(path, ';'); });
}

const sections::File& Ini(const std::string& name) {
  static std::map<std::string, sections::File> cache;
  return Cached(cache, name, [](const std::string& path) { return sections::ReadFile(path, '#'); });
}

const rc::Script& ResourceScript() {
  static std::map<std::string, rc::Script> cache;
  return Cached(cache, "res/brindol80res.rc",
                [](const std::string& path) { return rc::ReadFile(path); });
}

std::string DisplayName(const gpd::Entry& entry, const char* language) {
  if (const auto name = entry.Attribute("Name")) return gpd::Unquote(*name);
  const auto id = entry.Attribute("rcNameID");
  if (!id) return "";
  const auto table = ResourceScript().tables.find(language);
  if (table == ResourceScript().tables.end()) return "";
  const auto text = table->second.find(std::atol(id->c_str()));
  return text == table->second.end() ? "" : text->second;
}

}  // namespace shipped
