// Reach into the parts of DibImage that the operations themselves write but
// the public interface only reads: the info record (selection box, progress)
// and the last error text. The reference versions need them to build their
// results the way the image core does; the property test reads the record.
#pragma once

#include "dib_image.h"

namespace reference {

struct ImageInternals : DibImage {
  // Pointers to protected members formed through the derived class may be
  // applied to any DibImage.
  static DibImageInfo& Info(DibImage& image) { return image.*(&ImageInternals::info_); }
  static void SetErrorText(DibImage& image, const char* text) {
    (image.*(&ImageInternals::SetLastErrorText))(text);
  }
};

}  // namespace reference
