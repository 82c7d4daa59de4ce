// kernel32 core of winsim: last error per thread, captured debug output,
// interlocked operations and module loading through dlopen.
#include <dlfcn.h>

#include <atomic>
#include <codecvt>
#include <cstdio>
#include <locale>
#include <mutex>
#include <string>
#include <vector>

#include "sim.h"

namespace {

thread_local DWORD tLastError = 0;

struct DebugLog {
  std::mutex lock;
  std::vector<std::string> lines;
  bool echo = false;
};

DebugLog& Log() {
  static DebugLog log;
  return log;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) {
    auto c = static_cast<std::uint32_t>(*text);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void Record(std::string line) {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  if (log.echo) std::fprintf(stderr, "[debug] %s\n", line.c_str());
  log.lines.push_back(std::move(line));
}

}  // namespace

namespace sim {

std::vector<std::string> DebugOutput() {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  return log.lines;
}

void ClearDebugOutput() {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  log.lines.clear();
}

void EchoDebugOutput(bool on) {
  auto& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  log.echo = on;
}

}  // namespace sim

extern "C" {

void SetLastError(DWORD error) { tLastError = error; }
DWORD GetLastError() { return tLastError; }

void OutputDebugStringA(LPCSTR text) { Record(text ? std::string(text) : std::string()); }
void OutputDebugStringW(LPCWSTR text) { Record(text ? Narrow(text) : std::string()); }

// LONG is 32 bits on both platforms, so a std::atomic_ref over it is exact.
LONG InterlockedIncrement(LONG volatile* value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(value)).fetch_add(1) + 1;
}
LONG InterlockedDecrement(LONG volatile* value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(value)).fetch_sub(1) - 1;
}
LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return std::atomic_ref<LONG>(*const_cast<LONG*>(target)).exchange(value);
}
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  std::atomic_ref<LONG>(*const_cast<LONG*>(target)).compare_exchange_strong(comparand, exchange);
  return comparand;
}

HMODULE LoadLibraryA(LPCSTR path) {
  if (!path) {
    tLastError = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!handle) tLastError = ERROR_FILE_NOT_FOUND;
  return static_cast<HMODULE>(handle);
}

HMODULE LoadLibraryW(LPCWSTR path) {
  if (!path) {
    tLastError = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  return LoadLibraryA(Narrow(path).c_str());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module || !name) return nullptr;
  void* symbol = dlsym(module, name);
  if (!symbol) tLastError = 127;  // ERROR_PROC_NOT_FOUND
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) { return module && dlclose(module) == 0 ? TRUE : FALSE; }

}  // extern "C"
