// Reading a fuzzer's bytes as the values a target needs. Every read succeeds:
// once the input is used up, numbers read as 0 and texts as empty, so any
// prefix of an input is itself a complete case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  std::size_t Remaining() const { return size_ - at_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(U16()) | std::uint32_t{U16()} << 16; }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // A value in [0, limit); 0 when limit is 0.
  std::uint32_t Below(std::uint32_t limit) { return limit ? U32() % limit : 0; }

  // Up to `count` bytes, fewer when the input runs out.
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    const std::size_t taken = count < Remaining() ? count : Remaining();
    std::vector<std::uint8_t> bytes(data_ + at_, data_ + at_ + taken);
    at_ += taken;
    return bytes;
  }
  std::vector<std::uint8_t> Rest() { return Bytes(Remaining()); }

  // A text of any bytes (NUL included): a length byte, then the bytes; a
  // length byte of 255 asks for a long text, made of a short piece repeated
  // up to `maxLength` characters, so that long texts need no long inputs.
  std::string Text(std::size_t maxLength) {
    const std::uint8_t length = Byte();
    if (length != 255) {
      const std::vector<std::uint8_t> bytes = Bytes(length < maxLength ? length : maxLength);
      return std::string(bytes.begin(), bytes.end());
    }
    std::size_t total = U16() * std::size_t{16};
    if (total > maxLength) total = maxLength;
    const std::vector<std::uint8_t> piece = Bytes(Byte() % 16 + 1);
    std::string text(total, 'A');
    for (std::size_t i = 0; i < total && !piece.empty(); ++i)
      text[i] = static_cast<char>(piece[i % piece.size()]);
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Stops the run the way a sanitizer would, so that a broken promise of the
// code under test counts as a finding and its input is kept.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)
