// Port lists (see port_list.h).
#include "port_list.h"

#include <cwchar>
#include <new>

std::unique_ptr<PortEntry> PortList::NewEntry() {
  return std::unique_ptr<PortEntry>(new (std::nothrow) PortEntry{});
}

size_t PortList::Count() const {
  size_t count = 0;
  for (const PortEntry* entry = head_; entry; entry = entry->next) ++count;
  return count;
}

bool PortList::Contains(const WCHAR* portName) const {
  for (const PortEntry* entry = head_; entry; entry = entry->next) {
    if (std::wcscmp(entry->portName, portName) == 0) return true;
  }
  return false;
}

void PortList::PushFront(std::unique_ptr<PortEntry> entry) {
  if (!entry) return;
  entry->next = head_;
  head_ = entry.release();
}

void PortList::Clear() {
  while (head_) {
    PortEntry* next = head_->next;
    delete head_;
    head_ = next;
  }
}
