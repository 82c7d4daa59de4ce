// Process-wide counts of the plug-in library: live plug-in objects and server
// locks. Both change only atomically; DllCanUnloadNow reads them without a lock.
#pragma once

#include <windows.h>

namespace module_state {

void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);
// True when no plug-in object is alive and no lock is held.
bool CanUnload();

}  // namespace module_state
