// Files and devices: Windows paths mapped onto a temporary folder (drive X:
// is <root>/X, names matched without regard to case), serial devices with a
// DCB each, parallel ports the spooler knows, the module path and the C
// runtime's path splitting.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "sim.h"
#include "world.h"

namespace fs = std::filesystem;

namespace winsim {
namespace {

struct SerialDevice {
  DCB dcb{};
};

struct FileState {
  std::mutex lock;
  fs::path root;
  std::wstring modulePath = L"C:\\setup\\Installer.exe";
  std::map<std::wstring, SerialDevice> serial;  // keyed by lower-case name
  int setCommStateCalls = 0;
};

FileState& F() {
  static FileState state;
  return state;
}

void RemoveRoot() {
  std::error_code ignored;
  if (!F().root.empty()) fs::remove_all(F().root, ignored);
}

const fs::path& Root() {
  auto& f = F();
  if (f.root.empty()) {
    std::string pattern = (fs::temp_directory_path() / "winsim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
      std::fprintf(stderr, "winsim: cannot create a temporary folder\n");
      std::abort();
    }
    f.root = pattern;
    std::atexit(RemoveRoot);
  }
  return f.root;
}

struct FileObject : KernelObject {
  std::wstring path;
  fs::path host;              // empty for a port device
  std::uintmax_t offset = 0;  // where the next ReadFile starts
  std::string Describe() const override { return "file " + Narrow(path); }
};

struct SerialObject : KernelObject {
  std::wstring name;
  std::string Describe() const override { return "serial " + Narrow(name); }
};

// Splits a Windows path "X:\a\b" into the host folder of its drive and the
// components; false for anything else (relative paths, UNC names).
bool SplitWindowsPath(const std::wstring& path, fs::path& base, std::vector<std::wstring>& parts) {
  if (path.size() < 2 || path[1] != L':' || !std::iswalpha(static_cast<wint_t>(path[0])))
    return false;
  base = Root() / std::string(1, static_cast<char>(std::towupper(static_cast<wint_t>(path[0]))));
  std::wstring part;
  for (size_t i = 2; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      if (part == L"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != L".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += path[i];
    }
  }
  return true;
}

// The host path of a Windows path, each component matched without regard to
// case against what exists; components that do not exist keep their spelling.
bool Resolve(const std::wstring& path, fs::path& out) {
  std::lock_guard<std::mutex> guard(F().lock);
  std::vector<std::wstring> parts;
  if (!SplitWindowsPath(path, out, parts)) return false;
  for (const auto& part : parts) {
    fs::path next = out / Narrow(part);
    std::error_code ec;
    if (!fs::exists(next, ec) && fs::is_directory(out, ec)) {
      for (const auto& entry : fs::directory_iterator(out, ec)) {
        if (EqualNoCase(Widen(entry.path().filename().string()), part)) {
          next = entry.path();
          break;
        }
      }
    }
    out = next;
  }
  return true;
}

std::wstring DeviceName(const std::wstring& path) {
  static const std::wstring kPrefix = L"\\\\.\\";
  return path.compare(0, kPrefix.size(), kPrefix) == 0 ? path.substr(kPrefix.size())
                                                       : std::wstring();
}

}  // namespace

void ResetFiles() {
  auto& f = F();
  std::error_code ignored;
  const fs::path& root = Root();
  std::lock_guard<std::mutex> guard(f.lock);
  for (const auto& entry : fs::directory_iterator(root, ignored))
    fs::remove_all(entry.path(), ignored);
  f.modulePath = L"C:\\setup\\Installer.exe";
  f.serial.clear();
  f.setCommStateCalls = 0;
}

}  // namespace winsim

using namespace winsim;

namespace sim {

std::string HostPath(const std::wstring& windowsPath) {
  fs::path out;
  return Resolve(windowsPath, out) ? out.string() : std::string();
}

void WriteFile(const std::wstring& path, const std::string& content) {
  fs::path host;
  if (!Resolve(path, host)) {
    std::fprintf(stderr, "winsim: not a drive path: %s\n", Narrow(path).c_str());
    std::abort();
  }
  fs::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << content;
}

bool FileExists(const std::wstring& path) {
  fs::path host;
  std::error_code ec;
  return Resolve(path, host) && fs::is_regular_file(host, ec);
}

std::string ReadFile(const std::wstring& path) {
  fs::path host;
  if (!Resolve(path, host)) return {};
  std::ifstream in(host, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void SetModuleFileName(const std::wstring& path) {
  std::lock_guard<std::mutex> guard(F().lock);
  F().modulePath = path;
}

void AddSerialDevice(const std::wstring& name, DWORD baudRate) {
  std::lock_guard<std::mutex> guard(F().lock);
  SerialDevice device;
  device.dcb.DCBlength = sizeof(DCB);
  device.dcb.BaudRate = baudRate;
  device.dcb.fBinary = 1;
  device.dcb.ByteSize = 8;
  device.dcb.XonLim = 2048;
  device.dcb.XoffLim = 512;
  F().serial[Lower(name)] = device;
}

DCB SerialSettings(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(F().lock);
  auto it = F().serial.find(Lower(name));
  return it == F().serial.end() ? DCB{} : it->second.dcb;
}

int SetCommStateCalls() {
  std::lock_guard<std::mutex> guard(F().lock);
  return F().setCommStateCalls;
}

}  // namespace sim

extern "C" {

BOOL CloseHandle(HANDLE handle) {
  if (!Find<KernelObject>(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  RemoveObject(handle);
  return TRUE;
}

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (Faulted("CreateFileW")) return INVALID_HANDLE_VALUE;
  std::wstring path(name);
  std::wstring device = DeviceName(path);
  if (!device.empty()) {
    bool known;
    {
      std::lock_guard<std::mutex> guard(F().lock);
      known = F().serial.count(Lower(device)) != 0;
    }
    if (!known || disposition != OPEN_EXISTING) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    auto object = std::make_unique<SerialObject>();
    object->name = device;
    return AddObject(std::move(object));
  }
  if (!path.empty() && path.back() == L':' && path.find(L'\\') == std::wstring::npos) {
    // A port name such as LPT1: opens the device behind the spooler's port.
    if (!PortDeviceOpenable(path) || disposition != OPEN_EXISTING) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    auto object = std::make_unique<FileObject>();
    object->path = path;
    return AddObject(std::move(object));
  }
  fs::path host;
  if (!Resolve(path, host)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::error_code ec;
  bool exists = fs::is_regular_file(host, ec);
  if (!exists && disposition == OPEN_EXISTING) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!exists || disposition == CREATE_ALWAYS) {
    if (!(access & GENERIC_WRITE)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    std::ofstream(host, std::ios::binary | std::ios::trunc);
  }
  auto object = std::make_unique<FileObject>();
  object->path = path;
  object->host = host;
  return AddObject(std::move(object));
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  auto* object = Find<FileObject>(file);
  if (!object || object->host.empty() || overlapped || (!buffer && toRead)) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Faulted("ReadFile")) return FALSE;
  std::ifstream stream(object->host, std::ios::binary);
  if (!stream) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  stream.seekg(static_cast<std::streamoff>(object->offset));
  stream.read(static_cast<char*>(buffer), toRead);
  const auto count = static_cast<DWORD>(stream.gcount());
  object->offset += count;
  if (read) *read = count;
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL failIfExists) {
  if (!existing || !target) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Faulted("CopyFileW")) return FALSE;
  fs::path from, to;
  std::error_code ec;
  if (!Resolve(existing, from) || !fs::is_regular_file(from, ec)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (!Resolve(target, to) || !fs::is_directory(to.parent_path(), ec)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (failIfExists && fs::exists(to, ec)) {
    SetLastError(80);  // ERROR_FILE_EXISTS
    return FALSE;
  }
  if (!fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (Faulted("DeleteFileW")) return FALSE;
  fs::path host;
  std::error_code ec;
  if (!Resolve(name, host) || !fs::is_regular_file(host, ec)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  fs::remove(host, ec);
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  fs::path host;
  std::error_code ec;
  if (!name || !Resolve(name, host) || !fs::exists(host, ec)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return fs::is_directory(host, ec) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR name, DWORD size) {
  if (!name || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wstring path;
  {
    std::lock_guard<std::mutex> guard(F().lock);
    path = F().modulePath;
  }
  // As on the platform: a path that does not fit is cut off, terminated, and
  // the full size is returned with ERROR_INSUFFICIENT_BUFFER.
  if (path.size() >= size) {
    path.copy(name, size - 1);
    name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  path.copy(name, path.size());
  name[path.size()] = 0;
  return static_cast<DWORD>(path.size());
}

HMODULE GetModuleHandleW(LPCWSTR) {
  return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x400000));
}

BOOL GetCommState(HANDLE file, LPDCB dcb) {
  auto* port = Find<SerialObject>(file);
  if (!port || !dcb) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (Faulted("GetCommState")) return FALSE;
  std::lock_guard<std::mutex> guard(F().lock);
  *dcb = F().serial[Lower(port->name)].dcb;
  return TRUE;
}

BOOL SetCommState(HANDLE file, LPDCB dcb) {
  auto* port = Find<SerialObject>(file);
  if (!port || !dcb) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(F().lock);
  ++F().setCommStateCalls;
  if (dcb->DCBlength != sizeof(DCB)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  F().serial[Lower(port->name)].dcb = *dcb;
  return TRUE;
}

}  // extern "C"

int _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveCount, wchar_t* dir,
                  size_t dirCount, wchar_t* fname, size_t fnameCount, wchar_t* ext,
                  size_t extCount) {
  auto clear = [&] {
    if (drive && driveCount) *drive = 0;
    if (dir && dirCount) *dir = 0;
    if (fname && fnameCount) *fname = 0;
    if (ext && extCount) *ext = 0;
  };
  if (!path) {
    clear();
    return EINVAL;
  }
  std::wstring p(path);
  std::wstring d, folder, name, extension;
  size_t pos = 0;
  if (p.size() >= 2 && p[1] == L':') {
    d = p.substr(0, 2);
    pos = 2;
  }
  size_t lastSep = p.find_last_of(L"\\/");
  if (lastSep != std::wstring::npos && lastSep >= pos) {
    folder = p.substr(pos, lastSep + 1 - pos);
    pos = lastSep + 1;
  }
  std::wstring rest = p.substr(pos);
  size_t dot = rest.find_last_of(L'.');
  name = dot == std::wstring::npos ? rest : rest.substr(0, dot);
  extension = dot == std::wstring::npos ? std::wstring() : rest.substr(dot);
  struct Part {
    const std::wstring& text;
    wchar_t* out;
    size_t count;
  } parts[] = {{d, drive, driveCount},
               {folder, dir, dirCount},
               {name, fname, fnameCount},
               {extension, ext, extCount}};
  for (auto& part : parts) {
    if (part.out && part.text.size() >= part.count) {
      clear();
      return ERANGE;
    }
  }
  for (auto& part : parts) {
    if (!part.out) continue;
    part.text.copy(part.out, part.text.size());
    part.out[part.text.size()] = 0;
  }
  return 0;
}
