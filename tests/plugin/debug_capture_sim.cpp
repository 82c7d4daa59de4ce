// Debug output capture through winsim's record.
#include "debug_capture.h"
#include "sim.h"

namespace plugin_test {

DebugCapture::DebugCapture() { sim::ClearDebugOutput(); }
DebugCapture::~DebugCapture() = default;
std::vector<std::string> DebugCapture::Lines() const { return sim::DebugOutput(); }
void DebugCapture::Clear() { sim::ClearDebugOutput(); }

}  // namespace plugin_test
