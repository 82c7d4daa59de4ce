// Network discovery (see network_discovery.h).
#include "network_discovery.h"

#include <iphlpapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "discovery_protocol.h"
#include "log.h"
#include "port_select.h"
#include "resource.h"
#include "texts.h"

namespace {

constexpr int kReceiveBytes = 1024;
constexpr DWORD kWaitBeforeQuery = 3000;
constexpr DWORD kWaitForReplies = 1000;
constexpr size_t kAddressChars = 16;  // dotted IPv4 text and its terminator
constexpr UINT kAdapterTypes[] = {MIB_IF_TYPE_OTHER, MIB_IF_TYPE_ETHERNET, MIB_IF_TYPE_TOKENRING,
                                  MIB_IF_TYPE_FDDI,  MIB_IF_TYPE_PPP,      MIB_IF_TYPE_LOOPBACK,
                                  MIB_IF_TYPE_SLIP,  IF_TYPE_IEEE80211};

// One per local address; lives, with its socket, until the program ends.
struct DiscoveryRecord {
  char address[kAddressChars];
  SOCKET socket;
  HANDLE receiveThread;
  HWND dialog;
  DiscoveryRecord* next;
};

// What the broadcast thread works with.
struct DiscoverySession {
  HWND dialog;
  DiscoveryRecord* records;
  LONG lastCount;
  DiscoverySession* earlier;
};

// Every session ever started. The records are never freed (their threads
// may run until the program ends); this keeps them reachable.
std::atomic<DiscoverySession*> gSessions{nullptr};

struct AddressText {
  char text[kAddressChars];
};

void Debug(const char* label, const char* value) {
  OutputDebugStringA(label);
  OutputDebugStringA(value);
  OutputDebugStringA(texts::kDebugLineEnd);
}

bool IsListedType(UINT type) {
  for (UINT listed : kAdapterTypes) {
    if (type == listed) return true;
  }
  return false;
}

// The local IPv4 addresses of the adapters that can reach a printer, newest
// first; writes the adapter debug lines on the way.
std::vector<AddressText> ListAdapterAddresses() {
  std::vector<AddressText> addresses;
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);
  if (size == 0) return addresses;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  if (!buffer || GetAdaptersInfo(adapters, &size) != NO_ERROR) return addresses;
  for (const IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next) {
    char type[16];
    std::snprintf(type, sizeof type, "%u", adapter->Type);
    Debug(texts::kDebugAdapterName, adapter->AdapterName);
    Debug(texts::kDebugAdapterDescription, adapter->Description);
    Debug(texts::kDebugAdapterType, type);
    if (!IsListedType(adapter->Type)) continue;
    for (const IP_ADDR_STRING* ip = &adapter->IpAddressList; ip; ip = ip->Next) {
      if (std::strcmp(ip->IpAddress.String, texts::kNoAddress) != 0) {
        AddressText copy{};  // the platform's field has room for 15 characters and the terminator
        std::memcpy(copy.text, ip->IpAddress.String, kAddressChars - 1);
        addresses.insert(addresses.begin(), copy);
      }
      Debug(texts::kDebugIpAddress, ip->IpAddress.String);
    }
  }
  return addresses;
}

bool StartSockets() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
  if (data.wVersion != MAKEWORD(1, 1)) {
    WSACleanup();
    return false;
  }
  return true;
}

// Reads replies on one address until the socket fails or an empty datagram
// comes; hands each 34-byte datagram to the dialog and waits until it is
// handled (the datagram lives in this thread's buffer).
DWORD WINAPI UDPReceiveThread(LPVOID parameter) {
  const auto* record = static_cast<const DiscoveryRecord*>(parameter);
  WCHAR address[kAddressChars] = {};
  for (size_t i = 0; i + 1 < kAddressChars && record->address[i]; ++i)
    address[i] = record->address[i];
  char datagram[kReceiveBytes];
  for (;;) {
    sockaddr_in from = {};
    int fromLength = sizeof from;
    // A datagram longer than the buffer is an error here, as on the platform.
    int received = recvfrom(record->socket, datagram, kReceiveBytes, 0,
                            reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received == 0 || received == SOCKET_ERROR) return 0;
    if (static_cast<size_t>(received) != discovery::kReplyBytes) continue;
    LogLine(texts::kLogReplyReceived, address);
    SendMessageW(record->dialog, kDiscoveryReplyMessage, static_cast<WPARAM>(received),
                 reinterpret_cast<LPARAM>(datagram));
  }
}

// Every cycle: wait, have the dialog empty the list, send the query from
// every address, wait for the replies, and tell the dialog when the number
// of printers changed.
DWORD WINAPI BroadcastThread(LPVOID parameter) {
  auto* session = static_cast<DiscoverySession*>(parameter);
  if (!session->records) return 0;
  sockaddr_in target = {};
  target.sin_family = AF_INET;
  target.sin_port = htons(discovery::kQueryPort);
  target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  for (;;) {
    Sleep(kWaitBeforeQuery);
    SendMessageW(session->dialog, kDiscoveryEmptyMessage, 0, 0);
    for (const DiscoveryRecord* record = session->records; record; record = record->next) {
      if (sendto(record->socket, discovery::kQuery, static_cast<int>(discovery::kQueryBytes), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target) == SOCKET_ERROR) {
        LogLine(texts::kLogSendFailed, static_cast<unsigned>(WSAGetLastError()));
      }
    }
    Sleep(kWaitForReplies);
    // A dialog that is gone answers nothing: the count stays as it was.
    LONG count = session->lastCount;
    SendMessageW(session->dialog, kDiscoveryCountMessage, 0, reinterpret_cast<LPARAM>(&count));
    if (count != session->lastCount) {
      session->lastCount = count;
      SendMessageW(session->dialog, kDiscoveryCountChangedMessage, 0, 0);
    }
  }
}

// A socket bound to the address's reply port with its receive thread, or a
// record whose socket could not be made or bound.
void OpenAddress(DiscoveryRecord& record) {
  record.socket = socket(AF_INET, SOCK_DGRAM, 0);
  bool bound = false;
  if (record.socket != INVALID_SOCKET) {
    BOOL on = TRUE;
    setsockopt(record.socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
               sizeof on);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(discovery::kReplyPort);
    local.sin_addr.s_addr = inet_addr(record.address);
    bound = bind(record.socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) !=
            SOCKET_ERROR;
  }
  if (bound) {
    record.receiveThread = CreateThread(nullptr, 0, UDPReceiveThread, &record, 0, nullptr);
    Debug(texts::kDebugThreadCreated, record.address);
  } else {
    Debug(texts::kDebugBindFailed, record.address);
  }
}

// CreateThread calls them through its own pointer type, WINAPI on 32-bit Windows.
static_assert(std::is_same_v<decltype(&UDPReceiveThread), LPTHREAD_START_ROUTINE> &&
              std::is_same_v<decltype(&BroadcastThread), LPTHREAD_START_ROUTINE>);

}  // namespace

HANDLE StartNetworkDiscovery(HWND dialog, PortLists& /*lists*/) {
  std::vector<AddressText> addresses = ListAdapterAddresses();
  auto* session = new (std::nothrow) DiscoverySession{dialog, nullptr, 0, nullptr};
  if (!session) return nullptr;
  if (StartSockets()) {
    for (const AddressText& address : addresses) {
      auto* record = new (std::nothrow) DiscoveryRecord{};
      if (!record) continue;
      std::memcpy(record->address, address.text, kAddressChars);
      record->socket = INVALID_SOCKET;
      record->dialog = dialog;
      OpenAddress(*record);
      record->next = session->records;
      session->records = record;
    }
  }
  session->earlier = gSessions.exchange(session);
  return CreateThread(nullptr, 0, BroadcastThread, session, 0, nullptr);
}

void HandleDiscoveryReply(HWND dialog, PortLists& lists, const BYTE* datagram, size_t length) {
  const std::optional<discovery::Address> address = discovery::ParseReply(datagram, length);
  if (!address) return;
  auto entry = PortList::NewEntry();
  if (!entry) return;
  const discovery::Address& octets = *address;
  FormatText(entry->portName, texts::kAddressFormat, static_cast<int>(octets[0]),
             static_cast<int>(octets[1]), static_cast<int>(octets[2]), static_cast<int>(octets[3]));
  std::lock_guard<std::mutex> guard(lists.foundLock);
  // A printer that answers on several adapters is listed once.
  if (lists.found.Contains(entry->portName)) return;
  lists.found.PushFront(std::move(entry));
  if (IsDlgButtonChecked(dialog, IDC_NET) == BST_CHECKED)
    FillPortListBox(dialog, lists.found.Head(), texts::kLabelNet);
}

bool HandleDiscoveryMessage(HWND dialog, PortLists& lists, UINT message, WPARAM wParam,
                            LPARAM lParam) {
  switch (message) {
    case kDiscoveryReplyMessage:
      HandleDiscoveryReply(dialog, lists, reinterpret_cast<const BYTE*>(lParam),
                           static_cast<size_t>(wParam));
      return true;
    case kDiscoveryEmptyMessage: {
      std::lock_guard<std::mutex> guard(lists.foundLock);
      lists.found.Clear();
      return true;
    }
    case kDiscoveryCountMessage: {
      std::lock_guard<std::mutex> guard(lists.foundLock);
      if (lParam) *reinterpret_cast<LONG*>(lParam) = static_cast<LONG>(lists.found.Count());
      return true;
    }
    case kDiscoveryCountChangedMessage:
      return true;
    default:
      return false;
  }
}
