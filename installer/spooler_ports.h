// The spooler's port list at level 2.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <vector>

class SpoolerPorts {
 public:
  // Reads the list (a size query, then a buffer of that size); an empty list
  // when either fails.
  SpoolerPorts();
  DWORD Count() const { return count_; }
  const PORT_INFO_2W& operator[](DWORD i) const {
    return reinterpret_cast<const PORT_INFO_2W*>(buffer_.data())[i];
  }

 private:
  std::vector<BYTE> buffer_;
  DWORD count_ = 0;
};
