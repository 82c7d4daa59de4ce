// Texts from the program's string table, in the language the resource
// loader picks.
#pragma once

#include <windows.h>

void SetResourceInstance(HINSTANCE instance);
HINSTANCE GetResourceInstance();

// Loads string `id` into out[N]; an empty text when it is missing.
int LoadResourceText(UINT id, WCHAR* out, int chars);
template <size_t N>
int LoadResourceText(UINT id, WCHAR (&out)[N]) {
  return LoadResourceText(id, out, static_cast<int>(N));
}

// Shows string `id` in a message box owned by the dialog, with the empty
// caption every box of the program has; returns the user's answer.
int ShowResourceMessage(HWND dialog, UINT id, UINT type);
