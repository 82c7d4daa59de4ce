// The package check (see package_check.h).
#include "package_check.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "install_request.h"
#include "log.h"
#include "package_files.h"
#include "scoped_handle.h"
#include "setup_directory.h"
#include "texts.h"

namespace {

// The headers of a real library lie well within its first page.
constexpr DWORD kHeadBytes = 4096;
constexpr DWORD kPeOffsetField = 0x3C;
constexpr BYTE kPeSignature[] = {'P', 'E', 0, 0};
// How the package script marks the files it writes in place of the platform's.
constexpr char kPlaceholderMark[] = "PLACEHOLDER";

WORD Little16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

DWORD Little32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
         static_cast<DWORD>(p[3]) << 24;
}

// Up to kHeadBytes from the start of the file; false with the error when it
// cannot be read.
bool ReadHead(const WCHAR* path, std::vector<BYTE>& head, DWORD& error) {
  ScopedKernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    error = GetLastError();
    return false;
  }
  head.resize(kHeadBytes);
  DWORD total = 0;
  while (total < kHeadBytes) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), head.data() + total, kHeadBytes - total, &read, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (read == 0) break;
    total += read;
  }
  head.resize(total);
  return true;
}

bool IsPlaceholder(const std::vector<BYTE>& head) {
  const std::size_t length = std::size(kPlaceholderMark) - 1;
  return head.size() >= length && std::memcmp(head.data(), kPlaceholderMark, length) == 0;
}

// Logs why a library is unfit; true when it is fit.
bool CheckLibrary(const WCHAR* path, const std::vector<BYTE>& head, WORD machine) {
  if (head.size() < kPeOffsetField + 4 || head[0] != 'M' || head[1] != 'Z') {
    LogLine(texts::kLogCheckNoMz, path);
    return false;
  }
  // The offset comes from the file: compared without adding to it, so that
  // no value can wrap past the end of what was read.
  const DWORD peOffset = Little32(&head[kPeOffsetField]);
  const std::size_t needed = sizeof kPeSignature + sizeof(WORD);
  if (peOffset > head.size() || head.size() - peOffset < needed ||
      std::memcmp(&head[peOffset], kPeSignature, sizeof kPeSignature) != 0) {
    LogLine(texts::kLogCheckNoPeSignature, path);
    return false;
  }
  const WORD found = Little16(&head[peOffset + sizeof kPeSignature]);
  if (found != machine) {
    LogLine(texts::kLogCheckWrongMachine, path, found, machine);
    return false;
  }
  return true;
}

// Logs why a package file is unfit; true when it is fit or absent.
bool CheckFile(const WCHAR* fileName, const WCHAR* folder, WORD machine) {
  WCHAR path[kNameChars] = {};
  PackageFilePath(path, fileName, folder);
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return true;
  std::vector<BYTE> head;
  DWORD error = ERROR_SUCCESS;
  if (!ReadHead(path, head, error)) {
    LogLine(texts::kLogCheckUnreadable, path, error);
    return false;
  }
  if (IsPlaceholder(head)) {
    LogLine(texts::kLogCheckPlaceholder, path);
    return false;
  }
  return !folder || CheckLibrary(path, head, machine);
}

}  // namespace

WORD ArchitectureMachine(WORD processorArchitecture) {
  switch (processorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      return 0x014C;  // IMAGE_FILE_MACHINE_I386
    case PROCESSOR_ARCHITECTURE_ARM:
      return 0x01C4;  // IMAGE_FILE_MACHINE_ARMNT
    case PROCESSOR_ARCHITECTURE_AMD64:
      return 0x8664;  // IMAGE_FILE_MACHINE_AMD64
    case PROCESSOR_ARCHITECTURE_ARM64:
      return 0xAA64;  // IMAGE_FILE_MACHINE_ARM64
    default:
      return 0;
  }
}

bool CheckPackage(const WCHAR* architectureFolder, WORD machine) {
  // Every file is looked at, so that the log lists all that is wrong at once.
  bool fit = true;
  for (const WCHAR* file : kArchitecturePackageFiles)
    fit = CheckFile(file, architectureFolder, machine) && fit;
  for (const WCHAR* file : kCommonPackageFiles) fit = CheckFile(file, nullptr, machine) && fit;
  return fit;
}
