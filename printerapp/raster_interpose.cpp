// The raster reading functions of libcups, as PAPPL calls them for every
// raster job it streams: version 2 streams (PWG raster) are read by
// PwgRasterReader; any other stream is handed to libcups's own reader with the
// bytes already read given back to it. Like requested_attributes.cpp, these
// definitions must be in the program itself, where PAPPL's calls find them
// before libcups's. Streams opened for writing are libcups's alone.
#include <cups/raster.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "pwg_raster_reader.h"

namespace {

template <typename Function>
Function Library(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using OpenFunction = cups_raster_t* (*)(cups_raster_iocb_t, void*, cups_mode_t);
using HeaderFunction = unsigned (*)(cups_raster_t*, cups_page_header_t*);
using Header2Function = unsigned (*)(cups_raster_t*, cups_page_header2_t*);
using PixelsFunction = unsigned (*)(cups_raster_t*, unsigned char*, unsigned);
using CloseFunction = void (*)(cups_raster_t*);

struct ReadStream {
  ReadStream(cups_raster_iocb_t read, void* context)
      : reader(read, context), read(read), context(context) {}
  PwgRasterReader reader;
  cups_raster_t* library = nullptr;  // set when libcups reads this stream
  cups_raster_iocb_t read;
  void* context;
  std::size_t replayed = 0;  // of the synchronization bytes, given back to libcups
};

// Every stream opened here for reading, told apart from libcups's own.
std::mutex streamsMutex;
std::unordered_set<const void*> streams;

ReadStream* Ours(cups_raster_t* raster) {
  std::lock_guard<std::mutex> lock(streamsMutex);
  return streams.count(raster) ? reinterpret_cast<ReadStream*>(raster) : nullptr;
}

// libcups's reader gets the bytes PwgRasterReader took first, then the rest.
ssize_t Replay(void* context, unsigned char* buffer, size_t length) {
  auto& stream = *static_cast<ReadStream*>(context);
  const std::size_t held = stream.reader.SyncBytesRead() - stream.replayed;
  if (held == 0) return stream.read(stream.context, buffer, length);
  const std::size_t n = std::min(held, length);
  std::memcpy(buffer, stream.reader.SyncBytes() + stream.replayed, n);
  stream.replayed += n;
  return static_cast<ssize_t>(n);
}

}  // namespace

extern "C" cups_raster_t* cupsRasterOpenIO(cups_raster_iocb_t iocb, void* ctx, cups_mode_t mode) {
  static const auto open = Library<OpenFunction>("cupsRasterOpenIO");
  if (mode != CUPS_RASTER_READ || !iocb) return open ? open(iocb, ctx, mode) : nullptr;
  auto* stream = new ReadStream(iocb, ctx);
  if (!stream->reader.Open()) {
    stream->library = open ? open(Replay, stream, mode) : nullptr;
    if (!stream->library) {
      delete stream;
      return nullptr;
    }
  }
  auto* raster = reinterpret_cast<cups_raster_t*>(stream);
  std::lock_guard<std::mutex> lock(streamsMutex);
  streams.insert(raster);
  return raster;
}

extern "C" unsigned cupsRasterReadHeader2(cups_raster_t* r, cups_page_header2_t* h) {
  static const auto library = Library<Header2Function>("cupsRasterReadHeader2");
  ReadStream* stream = Ours(r);
  if (!stream) return library && library(r, h);
  if (stream->library) return library && library(stream->library, h);
  return h && stream->reader.ReadHeader(*h);
}

extern "C" unsigned cupsRasterReadHeader(cups_raster_t* r, cups_page_header_t* h) {
  static const auto library = Library<HeaderFunction>("cupsRasterReadHeader");
  ReadStream* stream = Ours(r);
  if (!stream) return library && library(r, h);
  if (stream->library) return library && library(stream->library, h);
  // The version 1 header is the start of the version 2 one.
  cups_page_header2_t header;
  if (!h || !stream->reader.ReadHeader(header)) return 0;
  std::memcpy(h, &header, sizeof *h);
  return 1;
}

extern "C" unsigned cupsRasterReadPixels(cups_raster_t* r, unsigned char* p, unsigned len) {
  static const auto library = Library<PixelsFunction>("cupsRasterReadPixels");
  ReadStream* stream = Ours(r);
  if (!stream) return library ? library(r, p, len) : 0;
  if (stream->library) return library ? library(stream->library, p, len) : 0;
  return p && stream->reader.ReadPixels(p, len) ? len : 0;
}

extern "C" void cupsRasterClose(cups_raster_t* r) {
  static const auto library = Library<CloseFunction>("cupsRasterClose");
  ReadStream* stream = Ours(r);
  if (!stream) {
    if (library) library(r);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(streamsMutex);
    streams.erase(r);
  }
  if (stream->library && library) library(stream->library);
  delete stream;
}
