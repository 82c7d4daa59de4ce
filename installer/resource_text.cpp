// String table texts and message boxes (see resource_text.h).
#include "resource_text.h"

namespace {
HINSTANCE gInstance = nullptr;
constexpr size_t kMessageChars = 1024;
}  // namespace

void SetResourceInstance(HINSTANCE instance) { gInstance = instance; }
HINSTANCE GetResourceInstance() { return gInstance; }

int LoadResourceText(UINT id, WCHAR* out, int chars) {
  if (chars <= 0) return 0;
  out[0] = 0;
  return LoadStringW(gInstance, id, out, chars);
}

int ShowResourceMessage(HWND dialog, UINT id, UINT type) {
  WCHAR text[kMessageChars];
  LoadResourceText(id, text);
  return MessageBoxW(dialog, text, L"", type);
}
