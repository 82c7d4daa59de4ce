// COemPDEV: which host entry point goes into which field.
#include "oem_pdev.h"

void COemPDEV::Keep(ULONG index, PFN function) {
  switch (index) {
    case INDEX_DrvNextBand:
      nextBand = function;
      break;
    case INDEX_DrvStartPage:
      startPage = function;
      break;
    case INDEX_DrvSendPage:
      sendPage = function;
      break;
    case INDEX_DrvStartDoc:
      startDoc = function;
      break;
    case INDEX_DrvEndDoc:
      endDoc = function;
      break;
    case INDEX_DrvTextOut:
      textOut = function;
      break;
    default:
      break;
  }
}
