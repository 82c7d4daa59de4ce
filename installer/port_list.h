// The port lists behind the dialog's list box: singly linked lists of port
// names, new entries always at the head, entries allocated zeroed one at a
// time and freed one at a time.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>

#include "install_request.h"

struct PortEntry {
  PortEntry* next;
  WCHAR portName[kNameChars];  // at most 259 characters
};

class PortList {
 public:
  PortList() = default;
  PortList(const PortList&) = delete;
  PortList& operator=(const PortList&) = delete;
  ~PortList() { Clear(); }

  // A zeroed entry, or null when memory is short.
  static std::unique_ptr<PortEntry> NewEntry();

  const PortEntry* Head() const { return head_; }
  bool Empty() const { return head_ == nullptr; }
  size_t Count() const;
  bool Contains(const WCHAR* portName) const;
  void PushFront(std::unique_ptr<PortEntry> entry);
  void Clear();

 private:
  PortEntry* head_ = nullptr;
};

// The three lists of the dialog. The found-printer list is also emptied by
// the network discovery's broadcast thread, so every access to it holds
// foundLock.
struct PortLists {
  PortList usb;
  PortList wired;  // COM or LPT, whichever was chosen last
  PortList found;
  std::mutex foundLock;
};
