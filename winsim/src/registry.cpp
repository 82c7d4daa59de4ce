// The registry: a tree of keys (names matched without regard to case) whose
// values keep the order in which they were written, which is the order
// RegEnumValueW reports them in.
#include <cstring>
#include <map>
#include <vector>

#include "sim.h"
#include "world.h"

namespace winsim {
namespace {

struct Value {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::map<std::wstring, std::unique_ptr<Key>> children;  // keyed by lower-case name
  std::vector<Value> values;
};

struct Registry {
  std::mutex lock;
  std::map<ULONG_PTR, Key> roots;
};

Registry& R() {
  static Registry registry;
  return registry;
}

struct KeyObject : Object {
  Key* key = nullptr;
  std::wstring path;
  std::string Describe() const override { return "registry key " + Narrow(path); }
};

std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') {
      if (!part.empty()) parts.push_back(Lower(part));
      part.clear();
    } else {
      part += path[i];
    }
  }
  return parts;
}

bool IsRoot(HKEY key) {
  auto value = reinterpret_cast<ULONG_PTR>(key);
  return value >= 0x80000000u && value <= 0x80000006u;
}

// Caller holds the lock.
Key* Base(HKEY key) {
  if (IsRoot(key)) return &R().roots[reinterpret_cast<ULONG_PTR>(key)];
  auto* object = Find<KeyObject>(key);
  return object ? object->key : nullptr;
}

Key* Walk(Key* key, const std::wstring& path, bool create) {
  for (const auto& part : Components(path)) {
    auto it = key->children.find(part);
    if (it == key->children.end()) {
      if (!create) return nullptr;
      it = key->children.emplace(part, std::make_unique<Key>()).first;
    }
    key = it->second.get();
  }
  return key;
}

void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              std::vector<BYTE> data) {
  std::lock_guard<std::mutex> guard(R().lock);
  Key* key = Walk(Base(root), path, true);
  for (auto& value : key->values) {
    if (EqualNoCase(value.name, name)) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  key->values.push_back({name, type, std::move(data)});
}

// Copies a value's data as the platform does: the size is always reported,
// and a buffer that is too small gets ERROR_MORE_DATA.
LSTATUS CopyData(const Value& value, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (type) *type = value.type;
  if (!dataSize) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  auto needed = static_cast<DWORD>(value.data.size());
  if (data && *dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (data && needed) std::memcpy(data, value.data.data(), needed);
  *dataSize = needed;
  return ERROR_SUCCESS;
}

}  // namespace

void ResetRegistry() {
  std::lock_guard<std::mutex> guard(R().lock);
  R().roots.clear();
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::wstring& value) {
  std::vector<BYTE> data((value.size() + 1) * sizeof(wchar_t));
  std::memcpy(data.data(), value.c_str(), data.size());
  SetValue(root, path, name, REG_SZ, std::move(data));
}

void SetRegistryDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  std::vector<BYTE> data(sizeof value);
  std::memcpy(data.data(), &value, sizeof value);
  SetValue(root, path, name, REG_DWORD, std::move(data));
}

void SetRegistryBinary(HKEY root, const std::wstring& path, const std::wstring& name,
                       const std::vector<BYTE>& value) {
  SetValue(root, path, name, REG_BINARY, value);
}

void SetRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                      const std::vector<BYTE>& data) {
  SetValue(root, path, name, type, data);
}

void CreateRegistryKey(HKEY root, const std::wstring& path) {
  std::lock_guard<std::mutex> guard(R().lock);
  Walk(Base(root), path, true);
}

}  // namespace sim

extern "C" {

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (Faulted("RegOpenKeyExW")) return static_cast<LSTATUS>(GetLastError());
  Key* found;
  std::wstring path = TextOrEmpty(subKey);
  {
    std::lock_guard<std::mutex> guard(R().lock);
    Key* base = Base(key);
    if (!base) return ERROR_INVALID_HANDLE;
    found = Walk(base, path, false);
  }
  if (!found) return ERROR_FILE_NOT_FOUND;
  auto object = std::make_unique<KeyObject>();
  object->key = found;
  object->path = path;
  *result = static_cast<HKEY>(AddObject(std::move(object)));
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (IsRoot(key)) return ERROR_SUCCESS;
  if (!Find<KeyObject>(key)) return ERROR_INVALID_HANDLE;
  RemoveObject(key);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  if (Faulted("RegQueryValueExW")) return static_cast<LSTATUS>(GetLastError());
  std::lock_guard<std::mutex> guard(R().lock);
  Key* base = Base(key);
  if (!base) return ERROR_INVALID_HANDLE;
  std::wstring name = TextOrEmpty(valueName);
  for (const auto& value : base->values) {
    if (EqualNoCase(value.name, name)) return CopyData(value, type, data, dataSize);
  }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameCount, LPDWORD,
                      LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (!valueName || !valueNameCount) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(R().lock);
  Key* base = Base(key);
  if (!base) return ERROR_INVALID_HANDLE;
  if (index >= base->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& value = base->values[index];
  if (value.name.size() >= *valueNameCount) return ERROR_MORE_DATA;
  value.name.copy(valueName, value.name.size());
  valueName[value.name.size()] = 0;
  *valueNameCount = static_cast<DWORD>(value.name.size());
  return CopyData(value, type, data, dataSize);
}

}  // extern "C"
