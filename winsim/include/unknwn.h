// Native stand-in for <unknwn.h>: IUnknown and IClassFactory live in
// winsim/com.h, which <windows.h> gathers.
#pragma once

#include <windows.h>
