// PWG raster and CUPS raster version 2 (the "RaS2" synchronization word, in
// either byte order), read page by page and line by line as a job's document
// arrives. libcups's reader copies each pixel of a repeated run with a call of
// its own: on a receipt, mostly long white runs, that was most of the CPU time
// of a job. Here a run is one memset.
#pragma once

#include <cups/raster.h>
#include <sys/types.h>

#include <cstddef>
#include <vector>

class PwgRasterReader {
 public:
  using Read = ssize_t (*)(void* context, unsigned char* buffer, size_t length);
  PwgRasterReader(Read read, void* context) : read_(read), context_(context) {}

  // Reads the synchronization word. False when the stream is of another kind
  // (or ends first): the bytes already read are in SyncBytes().
  bool Open();
  const unsigned char* SyncBytes() const { return sync_; }
  std::size_t SyncBytesRead() const { return syncRead_; }

  // The next page's header. False at the end of the stream and on a header
  // that cannot describe a page. Lines of the page before that were not read
  // are skipped. Values of 16 bits per color are left in the stream's order.
  bool ReadHeader(cups_page_header2_t& header);
  // The page's next `length` bytes of pixels, across lines as needed. False
  // when the page or the stream ends first.
  bool ReadPixels(unsigned char* pixels, std::size_t length);

 private:
  bool NextLine();
  bool DecodeLine();
  bool Take(unsigned char* to, std::size_t count);
  // One byte, as the run codes come: from the buffer without a call.
  bool TakeByte(unsigned char& to) {
    if (begin_ == end_ && !Refill()) return false;
    to = buffer_[begin_++];
    return true;
  }
  bool Refill();

  Read read_;
  void* context_;
  unsigned char sync_[4] = {};
  std::size_t syncRead_ = 0;
  bool swapped_ = false;

  std::vector<unsigned char> buffer_;
  std::size_t begin_ = 0, end_ = 0;

  std::vector<unsigned char> line_;
  std::size_t bytesPerLine_ = 0, valueBytes_ = 1, offset_ = 0;
  unsigned linesLeft_ = 0, repeats_ = 0;
  unsigned char white_ = 0xff;
};
