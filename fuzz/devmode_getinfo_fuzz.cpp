// DevMode and GetInfo of the plug-in object, and the other calls that take
// the host's word for a size or a name (GetImplementedMethod,
// QueryInterface): fuzzed modes, blocks, sizes and buffers.
//
// The memory handed in is what the host promises: a GetInfo buffer of the
// size it names; a private output block of the 16 bytes the plug-in asked
// for; an input block of at least its header and of at least the size its
// header claims (up to a limit). The fields inside may say anything.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "plugin_object.h"
#include "private_devmode.h"
#include "sim.h"

namespace {

constexpr std::size_t kHeaderBytes = sizeof(OEM_DMEXTRAHEADER);

DWORD Field(const std::vector<BYTE>& block, std::size_t offset) {
  DWORD value;
  std::memcpy(&value, block.data() + offset, sizeof value);
  return value;
}

bool IsDefaultBlock(const std::vector<BYTE>& block) {
  return Field(block, 0) == kOemDevmodeSize && Field(block, 4) == kOemSignature &&
         Field(block, 8) == kOemVersion && Field(block, 12) == 0;
}

// A block of exactly `bytes` bytes, so that the address sanitizer sees any
// access past it; filled from the input as far as it goes.
std::vector<BYTE> ReadBlock(FuzzInput& in, std::size_t bytes) {
  std::vector<BYTE> block(bytes, 0xA5);
  const std::vector<std::uint8_t> given = in.Bytes(bytes);
  std::copy(given.begin(), given.end(), block.begin());
  return block;
}

DWORD ReadMode(FuzzInput& in) { return in.Bool() ? in.U32() : in.Byte() % 6; }

void CallGetInfo(FuzzInput& in, PluginObject& plugin) {
  const DWORD mode = ReadMode(in);
  const bool withNeeded = in.Bool(), withBuffer = in.Bool();
  const DWORD size = in.Byte() % 12;
  std::vector<BYTE> buffer(size ? size : 1, 0xEE);
  DWORD needed = 0xDEADBEEF;
  const HRESULT hr = plugin->GetInfo(mode, withBuffer ? buffer.data() : nullptr, size,
                                     withNeeded ? &needed : nullptr);
  const bool known = mode == OEMGI_GETSIGNATURE || mode == OEMGI_GETVERSION;
  if (!withNeeded || !known) {
    FUZZ_CHECK(hr == E_FAIL && GetLastError() == ERROR_INVALID_PARAMETER && needed == 0xDEADBEEF);
    return;
  }
  FUZZ_CHECK(needed == 4);
  if (!withBuffer || size < 4) {
    FUZZ_CHECK(hr == E_FAIL && GetLastError() == ERROR_INSUFFICIENT_BUFFER);
    return;
  }
  FUZZ_CHECK(hr == S_OK);
  FUZZ_CHECK(Field(buffer, 0) == (mode == OEMGI_GETSIGNATURE ? kOemSignature : kOemVersion));
  for (std::size_t i = 4; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == 0xEE);
}

void CallDevMode(FuzzInput& in, PluginObject& plugin) {
  const DWORD mode = ReadMode(in);
  const std::uint8_t shape = in.Byte();
  std::vector<BYTE> output = ReadBlock(in, kOemDevmodeSize);
  // The input block's header may claim less than 16 bytes, or far more.
  const std::vector<BYTE> header = ReadBlock(in, kHeaderBytes);
  std::size_t inputBytes = Field(header, 0);
  inputBytes = inputBytes < kHeaderBytes ? kHeaderBytes : inputBytes > 64 ? 64 : inputBytes;
  std::vector<BYTE> input(inputBytes, 0xA5);
  std::copy(header.begin(), header.end(), input.begin());
  const std::vector<std::uint8_t> rest = in.Bytes(inputBytes - kHeaderBytes);
  std::copy(rest.begin(), rest.end(), input.begin() + kHeaderBytes);
  const bool sameBlock = shape & 8;  // the host hands one block as both

  OEMDMPARAM param = {};
  param.cbSize = sizeof param;
  param.cbBufSize = in.U32();
  param.pOEMDMIn = (shape & 1) ? input.data() : nullptr;
  param.pOEMDMOut = (shape & 2) ? output.data() : nullptr;
  if (sameBlock) param.pOEMDMIn = param.pOEMDMOut;
  const std::vector<BYTE> outputBefore = output;
  const HRESULT hr = plugin->DevMode(mode, (shape & 4) ? nullptr : &param);

  if ((shape & 4) || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
    FUZZ_CHECK(hr == E_FAIL && GetLastError() == ERROR_INVALID_PARAMETER && output == outputBefore);
    return;
  }
  switch (mode) {
    case OEMDM_SIZE:
      FUZZ_CHECK(hr == S_OK && param.cbBufSize == kOemDevmodeSize);
      break;
    case OEMDM_DEFAULT:
      FUZZ_CHECK(param.pOEMDMOut ? hr == S_OK && IsDefaultBlock(output) : hr == E_FAIL);
      break;
    case OEMDM_CONVERT:
      FUZZ_CHECK(hr == S_OK);
      if (param.pOEMDMIn && param.pOEMDMOut) {
        FUZZ_CHECK(Field(output, 0) == kOemDevmodeSize && Field(output, 8) == kOemVersion);
      } else {
        FUZZ_CHECK(output == outputBefore);
      }
      break;
    default:
      FUZZ_CHECK(hr == S_OK && (param.pOEMDMOut ? IsDefaultBlock(output) : output == outputBefore));
      break;
  }
}

void CallByName(FuzzInput& in, PluginObject& plugin) {
  std::string name = in.Text(1024);
  const HRESULT hr = plugin->GetImplementedMethod(name.data());
  FUZZ_CHECK(hr == S_OK || hr == S_FALSE);
  IID iid;
  const std::vector<BYTE> bytes = ReadBlock(in, sizeof iid);
  std::memcpy(&iid, bytes.data(), sizeof iid);
  void* object = reinterpret_cast<void*>(1);
  if (plugin->QueryInterface(iid, &object) == S_OK) {
    FUZZ_CHECK(object != nullptr);
    static_cast<IUnknown*>(object)->Release();
  } else {
    FUZZ_CHECK(object == nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The plug-in's debug lines would pile up over a long run.
  sim::ClearDebugOutput();
  FuzzInput in(data, size);
  PluginObject plugin;
  for (int calls = 0; calls < 32 && !in.Empty(); ++calls) {
    switch (in.Byte() % 3) {
      case 0:
        CallGetInfo(in, plugin);
        break;
      case 1:
        CallDevMode(in, plugin);
        break;
      default:
        CallByName(in, plugin);
        break;
    }
  }
  return 0;
}
