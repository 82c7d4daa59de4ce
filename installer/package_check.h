// The check made before anything of the package is copied. The spooler's
// driver directory is shared: the universal driver's files there serve every
// printer built on it, and the spooler takes a copied file that it considers
// newer over the one in use. A placeholder or a library built for another
// processor would therefore break printers that have nothing to do with ours.
#pragma once

#include <windows.h>

// The PE machine type (IMAGE_FILE_MACHINE_*) of the libraries for a native
// processor architecture, or 0 for one the package does not support.
WORD ArchitectureMachine(WORD processorArchitecture);

// True when no package file in the setup directory is a placeholder and every
// library of `architectureFolder` is a PE image for `machine`. Each file that
// fails is logged with the reason. A missing file is not the check's concern:
// the copy reports it and leaves the driver unregistered.
bool CheckPackage(const WCHAR* architectureFolder, WORD machine);
