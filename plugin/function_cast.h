// Converts between function pointer types that the platform stores generically
// (PFN in DRVFN tables, FARPROC from GetProcAddress). The hop through
// void (*)() is the documented neutral type for such casts.
#pragma once

template <typename To, typename From>
To FunctionCast(From function) {
  return reinterpret_cast<To>(reinterpret_cast<void (*)()>(function));
}
