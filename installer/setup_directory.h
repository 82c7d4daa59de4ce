// The setup directory: the folder of the program's own executable, ending
// with a backslash. Every package file and wizard file is taken from it.
#pragma once

#include <windows.h>

#include "install_request.h"

// Forms the setup directory from the executable's path; called once at
// start. A path that cannot be split leaves it empty.
void InitSetupDirectory();
const WCHAR* SetupDirectory();
// The path of a package file in the setup directory: in the architecture
// folder `folder`, or at the root when `folder` is null.
void PackageFilePath(WCHAR (&path)[kNameChars], const WCHAR* fileName, const WCHAR* folder);
