// The setup program's one text formatter. The wide printf families disagree
// between runtimes on "%s" (wide in one, narrow in the other), so every
// fixed format of the program goes through this instead; it knows exactly
// the conversions the program uses: %s and %ws (UTF-16 text, with an optional
// precision that limits the characters taken), %d, %u, %x with optional
// zero flag, width and precision (minimum digits), and %%.
#pragma once

#include <windows.h>

#include <array>
#include <concepts>
#include <cstddef>
#include <span>

class FormatArg {
 public:
  template <std::integral T>
  FormatArg(T value)  // NOLINT: implicit on purpose, like printf arguments
      : kind_(std::is_signed_v<T> ? Kind::kSigned : Kind::kUnsigned),
        number_(static_cast<long long>(value)) {}
  FormatArg(const WCHAR* text) : kind_(Kind::kText), text_(text) {}  // NOLINT

  enum class Kind { kSigned, kUnsigned, kText };
  Kind kind() const { return kind_; }
  long long number() const { return number_; }
  const WCHAR* text() const { return text_; }

 private:
  Kind kind_;
  long long number_ = 0;
  const WCHAR* text_ = nullptr;
};

// Formats into out[capacity] (capacity >= 1), always NUL-terminated and cut
// off at capacity - 1 characters. Returns the length the whole text needs,
// or -1 when the format is malformed or the arguments do not match it.
int FormatTextV(WCHAR* out, size_t capacity, const WCHAR* format, std::span<const FormatArg> args);

template <size_t N, typename... Args>
int FormatText(WCHAR (&out)[N], const WCHAR* format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return FormatTextV(out, N, format, list);
}

// Copies src into out[capacity], cut off so that it always ends with NUL.
void CopyText(WCHAR* out, size_t capacity, const WCHAR* src);

template <size_t N>
void CopyText(WCHAR (&out)[N], const WCHAR* src) {
  CopyText(out, N, src);
}
