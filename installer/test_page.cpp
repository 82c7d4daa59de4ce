// The test page. Not printed yet: the call is accepted and nothing happens.
#include "test_page.h"

BOOL PrintTestPage(const WCHAR*) { return 1; }
