// gdi32 handles. The setup program's dialog only begins and ends painting;
// drawing calls join here when something draws.
#pragma once

#include "winsim/base_types.h"

struct HDC__;
using HDC = HDC__*;
struct HGDIOBJ__;
using HGDIOBJ = HGDIOBJ__*;
