// Once per fuzz program of the setup program: its dialogs and strings come
// from the real resource script, as in its native tests.
#include "sim.h"

#ifndef INSTALLER_RESOURCE_SCRIPT
#error "the build names the setup program's resource script"
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sim::LoadResourceScript(INSTALLER_RESOURCE_SCRIPT);
  return 0;
}
