// The shipped package files, each read once per test program.
#pragma once

#include <string>

#include "gpd_reader.h"
#include "rc_strings.h"
#include "section_file.h"

namespace shipped {

inline const char kEnglish[] = "LANG_ENGLISH, SUBLANG_ENGLISH_US";
inline const char kChinese[] = "LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED";

// Each fails the calling test (and returns an empty file) when the file cannot be read.
const gpd::Document& Description(const std::string& name);
const sections::File& Inf(const std::string& name);
const sections::File& Ini(const std::string& name);
const rc::Script& ResourceScript();

// The display name of a feature or option in one language, or "" when it has none there.
std::string DisplayName(const gpd::Entry& entry, const char* language);

}  // namespace shipped
