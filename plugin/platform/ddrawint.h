// The cross compiler's winddi.h includes this DirectDraw header, which the
// toolchain does not ship. A printer plug-in uses none of it; winddi.h only
// needs these names to exist.
#pragma once

typedef struct _DD_SURFACE_LOCAL DD_SURFACE_LOCAL;
typedef DD_SURFACE_LOCAL* PDD_SURFACE_LOCAL;
typedef struct _DD_DIRECTDRAW_GLOBAL DD_DIRECTDRAW_GLOBAL;
typedef struct _DD_CALLBACKS DD_CALLBACKS;
typedef struct _DD_HALINFO DD_HALINFO;
typedef struct _DD_PALETTECALLBACKS DD_PALETTECALLBACKS;
typedef struct _DD_SURFACECALLBACKS DD_SURFACECALLBACKS;
typedef struct _VIDEOMEMORY VIDEOMEMORY;
