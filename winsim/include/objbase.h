// Native stand-in for <objbase.h>: the COM basics live in winsim/com.h, which
// <windows.h> gathers.
#pragma once

#include <windows.h>
