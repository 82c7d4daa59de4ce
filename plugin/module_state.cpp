// Process-wide counts of the plug-in library.
#include "module_state.h"

namespace {

LONG volatile gLiveObjects = 0;
LONG volatile gLocks = 0;

}  // namespace

namespace module_state {

void ObjectCreated() { InterlockedIncrement(&gLiveObjects); }
void ObjectDestroyed() { InterlockedDecrement(&gLiveObjects); }

void LockServer(bool lock) {
  if (lock) {
    InterlockedIncrement(&gLocks);
  } else {
    InterlockedDecrement(&gLocks);
  }
}

bool CanUnload() { return gLiveObjects == 0 && gLocks == 0; }

}  // namespace module_state
