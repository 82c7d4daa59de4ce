// The setup directory (see setup_directory.h).
#include "setup_directory.h"

#include <cstdlib>

#include "install_request.h"
#include "texts.h"
#include "wide_format.h"

namespace {
WCHAR gSetupDirectory[kNameChars];
}

void InitSetupDirectory() {
  WCHAR path[kNameChars] = {};
  WCHAR drive[3] = {}, directory[256] = {}, fileName[kNameChars] = {}, extension[256] = {};
  GetModuleFileNameW(nullptr, path, kNameChars);
  _wsplitpath_s(path, drive, std::size(drive), directory, std::size(directory), fileName,
                std::size(fileName), extension, std::size(extension));
  FormatText(gSetupDirectory, texts::kSetupDirectoryFormat, drive, directory);
}

const WCHAR* SetupDirectory() { return gSetupDirectory; }

void PackageFilePath(WCHAR (&path)[kNameChars], const WCHAR* fileName, const WCHAR* folder) {
  if (folder) {
    FormatText(path, texts::kArchitectureSourcePathFormat, gSetupDirectory, folder, fileName);
  } else {
    FormatText(path, texts::kSourcePathFormat, gSetupDirectory, fileName);
  }
}
