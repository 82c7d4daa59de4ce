// COemPDEV: the plug-in's state for one device context. It keeps the host's
// own implementations of the six drawing entry points the plug-in hooks, so
// that each hook can pass its call on.
#pragma once

#include "printer_oem.h"

class COemPDEV {
 public:
  virtual ~COemPDEV() = default;

  // Stores the host's function for `index` when it is one of the six hooked
  // indices; other indices are ignored. A later call for an index wins.
  void Keep(ULONG index, PFN function);

  PFN nextBand = nullptr;   // DrvNextBand, 58
  PFN startPage = nullptr;  // DrvStartPage, 33
  PFN sendPage = nullptr;   // DrvSendPage, 32
  PFN startDoc = nullptr;   // DrvStartDoc, 35
  PFN endDoc = nullptr;     // DrvEndDoc, 34
  PFN textOut = nullptr;    // DrvTextOut, 23
};
