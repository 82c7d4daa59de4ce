// Process-wide counts of the plug-in library.
#include "module_state.h"

namespace {

LONG volatile gLiveObjects = 0;
LONG volatile gLocks = 0;

// Read with an interlocked operation, as the counts are changed: a plain read
// racing with the changes is a data race, whatever the processor makes of it.
LONG Read(LONG volatile* count) { return InterlockedCompareExchange(count, 0, 0); }

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

bool CanUnload() { return Read(&gLiveObjects) == 0 && Read(&gLocks) == 0; }

}  // namespace module_state
