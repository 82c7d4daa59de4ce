// Included by the cross compiler's winddi.h and not shipped with it; a
// printer plug-in needs nothing from it.
#pragma once
