// Reading the PE headers (see pe_image.h). Offsets are those of the
// published format: the DOS header's e_lfanew at 0x3C, then "PE\0\0", the
// 20-byte file header and the optional header.
#include "pe_image.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr std::size_t kNewHeaderOffset = 0x3C;
constexpr std::size_t kFileHeaderBytes = 20;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kDllCharacteristicsOffset = 70;  // same in both optional headers
constexpr std::size_t kExportEntry = 0;
constexpr std::size_t kBaseRelocationEntry = 5;
constexpr std::size_t kSectionHeaderBytes = 40;

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
  // The NUL-terminated text at `at`, or false when it runs past the end.
  bool Text(std::size_t at, std::string& text) const {
    text.clear();
    for (; at < bytes_.size(); ++at) {
      if (bytes_[at] == 0) return true;
      text += static_cast<char>(bytes_[at]);
    }
    return false;
  }

 private:
  std::vector<unsigned char> bytes_;
};

struct Section {
  std::uint32_t address, size, fileOffset;
};

// The file offset of a relative virtual address, or false when no section holds it.
bool FileOffset(const std::vector<Section>& sections, std::uint32_t rva, std::size_t& offset) {
  for (const Section& s : sections) {
    if (rva >= s.address && rva - s.address < s.size) {
      offset = static_cast<std::size_t>(s.fileOffset) + (rva - s.address);
      return true;
    }
  }
  return false;
}

// The names of the export directory at `rva`: its name count at +24 and the
// address of its table of name addresses at +32.
bool ReadExports(const Reader& file, const std::vector<Section>& sections, std::uint32_t rva,
                 std::vector<std::string>& names) {
  std::size_t directory = 0, table = 0;
  if (!FileOffset(sections, rva, directory) || !file.Has(directory, 40)) return false;
  const std::uint32_t count = file.U32(directory + 24);
  if (!FileOffset(sections, file.U32(directory + 32), table) || !file.Has(table, 4ull * count)) {
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::size_t at = 0;
    std::string name;
    if (!FileOffset(sections, file.U32(table + 4 * i), at) || !file.Text(at, name)) return false;
    names.push_back(name);
  }
  return true;
}

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
  const std::uint32_t directoryCount =
      optionalBytes >= countAt + 4 ? file.U32(optional + countAt) : 0;
  if (optionalBytes >= sizeAt + 4 && directoryCount > kBaseRelocationEntry) {
    image.relocationBytes = file.U32(optional + sizeAt);
  }
  const std::size_t exportAt = optional + directories + kExportEntry * 8;
  if (directoryCount == 0 || optionalBytes < directories + 8 || file.U32(exportAt + 4) == 0) {
    return true;  // nothing exported
  }
  std::vector<Section> sections;
  const std::size_t table = optional + optionalBytes;
  for (std::size_t i = 0, count = file.U16(header + 2); i < count; ++i) {
    const std::size_t at = table + i * kSectionHeaderBytes;
    if (!file.Has(at, kSectionHeaderBytes)) break;
    sections.push_back(
        {file.U32(at + 12), std::max(file.U32(at + 8), file.U32(at + 16)), file.U32(at + 20)});
  }
  if (!ReadExports(file, sections, file.U32(exportAt), image.exports)) {
    error = "export table outside the file";
    return false;
  }
  return true;
}
