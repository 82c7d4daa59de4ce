// Native stand-in for <windows.h>: the Win32 subset this system uses, for the
// Linux build. Each concern lives in its own header under winsim/; this file
// only gathers them, as the real one does.
#pragma once

#include "winsim/base_types.h"
#include "winsim/error_codes.h"
#include "winsim/gdi_types.h"
#include "winsim/kernel_core.h"
#if __has_include("winsim/com.h")
#include "winsim/com.h"
#endif
#if __has_include("winsim/user.h")
#include "winsim/user.h"
#endif
#if __has_include("winsim/gdi.h")
#include "winsim/gdi.h"
#endif
#if __has_include("winsim/registry.h")
#include "winsim/registry.h"
#endif
#if __has_include("winsim/kernel_more.h")
#include "winsim/kernel_more.h"
#endif
#if __has_include("winsim/kernel_threads.h")
#include "winsim/kernel_threads.h"
#endif
#if __has_include("winsim/gdi_draw.h")
#include "winsim/gdi_draw.h"
#endif
