// What the test machine does the same way in both builds.
#include "machine.h"

namespace machine {

Printer FindPrinter(const std::wstring& name) {
  for (auto& printer : Printers()) {
    if (printer.name == name) return printer;
  }
  return {};
}

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace machine
