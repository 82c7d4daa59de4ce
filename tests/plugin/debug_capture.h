// Captures what the code under test writes to the system debug output, one
// entry per OutputDebugStringA call. Natively winsim records it; on Windows the
// text is taken from the exception the system raises for debuggers.
#pragma once

#include <string>
#include <vector>

namespace plugin_test {

// Starts from an empty record on construction.
class DebugCapture {
 public:
  DebugCapture();
  ~DebugCapture();
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;

  std::vector<std::string> Lines() const;
  void Clear();
};

}  // namespace plugin_test
