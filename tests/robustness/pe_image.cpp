// Reading the PE headers (see pe_image.h). Offsets are those of the
// published format: the DOS header's e_lfanew at 0x3C, then "PE\0\0", the
// 20-byte file header and the optional header.
#include "pe_image.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr std::size_t kNewHeaderOffset = 0x3C;
constexpr std::size_t kFileHeaderBytes = 20;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kDllCharacteristicsOffset = 70;  // same in both optional headers
constexpr std::size_t kBaseRelocationEntry = 5;

class Reader {
 public:
  explicit Reader(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }
  std::uint16_t U16(std::size_t at) const {
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t U32(std::size_t at) const {
    return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace

bool ReadPeImage(const std::string& path, PeImage& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  const Reader file(std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                               std::istreambuf_iterator<char>()));
  if (!file.Has(0, kNewHeaderOffset + 4) || file.U16(0) != 0x5A4D) {
    error = "no DOS header";
    return false;
  }
  const std::size_t pe = file.U32(kNewHeaderOffset);
  if (!file.Has(pe, 4 + kFileHeaderBytes) || file.U32(pe) != 0x00004550) {
    error = "no PE signature";
    return false;
  }
  const std::size_t header = pe + 4;
  image.machine = file.U16(header);
  image.characteristics = file.U16(header + 18);
  const std::size_t optionalBytes = file.U16(header + 16);
  const std::size_t optional = header + kFileHeaderBytes;
  if (optionalBytes < kDllCharacteristicsOffset + 2 || !file.Has(optional, optionalBytes)) {
    error = "optional header missing or cut short";
    return false;
  }
  const std::uint16_t magic = file.U16(optional);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
    error = "unknown optional header magic";
    return false;
  }
  image.pe32Plus = magic == kMagicPe32Plus;
  image.dllCharacteristics = file.U16(optional + kDllCharacteristicsOffset);
  // The data directories follow their count: at 92 and 96 in PE32, at 108
  // and 112 in PE32+; each entry is an address and a size.
  const std::size_t countAt = image.pe32Plus ? 108 : 92;
  const std::size_t directories = countAt + 4;
  const std::size_t sizeAt = directories + kBaseRelocationEntry * 8 + 4;
  if (optionalBytes >= sizeAt + 4 && file.U32(optional + countAt) > kBaseRelocationEntry) {
    image.relocationBytes = file.U32(optional + sizeAt);
  }
  return true;
}
