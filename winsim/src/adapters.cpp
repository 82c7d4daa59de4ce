// GetAdaptersInfo, answered from the adapters the test configured.
#include <iphlpapi.h>

#include <cstring>
#include <mutex>

#include "program_threads.h"
#include "sim_network.h"
#include "world.h"

namespace winsim {
namespace {

struct Adapters {
  std::mutex lock;
  std::vector<sim::Adapter> list;
};

Adapters& A() {
  static Adapters adapters;
  return adapters;
}

void CopyCut(char* out, size_t capacity, const std::string& text) {
  size_t n = std::min(text.size(), capacity - 1);
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

void ResetAdapters() {
  std::lock_guard<std::mutex> guard(A().lock);
  A().list.clear();
}

}  // namespace winsim

using namespace winsim;

void sim::SetAdapters(std::vector<Adapter> adapters) {
  std::lock_guard<std::mutex> guard(A().lock);
  A().list = std::move(adapters);
}

extern "C" ULONG GetAdaptersInfo(PIP_ADAPTER_INFO info, PULONG size) {
  if (!size) return ERROR_INVALID_PARAMETER;
  if (Faulted("GetAdaptersInfo")) return GetLastError();
  std::lock_guard<std::mutex> guard(A().lock);
  const auto& list = A().list;
  if (list.empty()) return ERROR_NO_DATA;
  // The records first, then the address records beyond each adapter's first.
  size_t extra = 0;
  for (const auto& adapter : list)
    extra += adapter.addresses.empty() ? 0 : adapter.addresses.size() - 1;
  size_t needed = list.size() * sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
  if (!info || *size < needed) {
    *size = static_cast<ULONG>(needed);
    return ERROR_BUFFER_OVERFLOW;
  }
  std::memset(static_cast<void*>(info), 0, needed);
  auto* more = reinterpret_cast<IP_ADDR_STRING*>(info + list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const auto& adapter = list[i];
    IP_ADAPTER_INFO& out = info[i];
    out.Next = i + 1 < list.size() ? &info[i + 1] : nullptr;
    out.ComboIndex = out.Index = static_cast<DWORD>(i + 1);
    CopyCut(out.AdapterName, sizeof out.AdapterName, adapter.name);
    CopyCut(out.Description, sizeof out.Description, adapter.description);
    out.AddressLength = 6;
    out.Address[5] = static_cast<BYTE>(i + 1);
    out.Type = adapter.type;
    IP_ADDR_STRING* address = &out.IpAddressList;
    // An adapter without an address reports "0.0.0.0", as the platform does.
    CopyCut(address->IpAddress.String, sizeof address->IpAddress.String,
            adapter.addresses.empty() ? "0.0.0.0" : adapter.addresses[0]);
    for (size_t k = 1; k < adapter.addresses.size(); ++k) {
      address->Next = more;
      address = more++;
      CopyCut(address->IpAddress.String, sizeof address->IpAddress.String, adapter.addresses[k]);
    }
  }
  return NO_ERROR;
}
