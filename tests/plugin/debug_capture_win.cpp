// Debug output capture on Windows: OutputDebugStringA raises
// DBG_PRINTEXCEPTION_C (length, text) before anything else; a first vectored
// handler takes the text and lets the program continue.
#include <windows.h>

#include <mutex>

#include "debug_capture.h"

namespace plugin_test {

namespace {

std::mutex gLock;
std::vector<std::string> gLines;
PVOID gHandler = nullptr;

LONG CALLBACK TakeDebugText(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD* record = exception->ExceptionRecord;
  if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
  std::lock_guard<std::mutex> guard(gLock);
  gLines.emplace_back(text ? text : "");
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugCapture::DebugCapture() {
  std::lock_guard<std::mutex> guard(gLock);
  gLines.clear();
  if (!gHandler) gHandler = AddVectoredExceptionHandler(1, &TakeDebugText);
}

DebugCapture::~DebugCapture() {
  std::lock_guard<std::mutex> guard(gLock);
  if (gHandler) RemoveVectoredExceptionHandler(gHandler);
  gHandler = nullptr;
}

std::vector<std::string> DebugCapture::Lines() const {
  std::lock_guard<std::mutex> guard(gLock);
  return gLines;
}

void DebugCapture::Clear() {
  std::lock_guard<std::mutex> guard(gLock);
  gLines.clear();
}

}  // namespace plugin_test
