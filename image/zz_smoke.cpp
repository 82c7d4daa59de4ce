#include "dib_image.h"
int BrindolSmoke() { return sizeof(DibImageInfo) > 0; }
