// The program's text formatter (see wide_format.h).
#include "wide_format.h"

#include <cstdint>

namespace {

class Output {
 public:
  Output(WCHAR* out, size_t capacity) : out_(out), capacity_(capacity) {}
  void Put(WCHAR c) {
    if (length_ + 1 < capacity_) out_[length_] = c;
    ++length_;
  }
  void Repeat(WCHAR c, size_t count) {
    for (size_t i = 0; i < count; ++i) Put(c);
  }
  int Finish() {
    out_[length_ < capacity_ ? length_ : capacity_ - 1] = 0;
    return static_cast<int>(length_);
  }

 private:
  WCHAR* out_;
  size_t capacity_;
  size_t length_ = 0;
};

struct Specifier {
  bool zero = false;
  bool left = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
  WCHAR conversion = 0;
};

size_t Digits(const WCHAR*& p) {
  size_t value = 0;
  while (*p >= L'0' && *p <= L'9') value = value * 10 + static_cast<size_t>(*p++ - L'0');
  return value;
}

// Parses the conversion after '%'; false for anything the program never uses.
bool ParseSpecifier(const WCHAR*& p, Specifier& specifier) {
  for (;; ++p) {
    if (*p == L'0') {
      specifier.zero = true;
    } else if (*p == L'-') {
      specifier.left = true;
    } else {
      break;
    }
  }
  specifier.width = Digits(p);
  if (*p == L'.') {
    ++p;
    specifier.hasPrecision = true;
    specifier.precision = Digits(p);
  }
  if (*p == L'w' && p[1] == L's') ++p;
  specifier.conversion = *p;
  if (!specifier.conversion) return false;
  ++p;
  switch (specifier.conversion) {
    case L's':
    case L'd':
    case L'i':
    case L'u':
    case L'x':
    case L'X':
    case L'%':
      return true;
    default:
      return false;
  }
}

void PutPadded(Output& out, const Specifier& specifier, const WCHAR* body, size_t length,
               bool numeric) {
  size_t pad = specifier.width > length ? specifier.width - length : 0;
  bool zeros = numeric && specifier.zero && !specifier.left && !specifier.hasPrecision;
  if (!specifier.left && !zeros) out.Repeat(L' ', pad);
  if (zeros && body[0] == L'-') {
    out.Put(L'-');
    ++body;
    --length;
  }
  if (zeros) out.Repeat(L'0', pad);
  for (size_t i = 0; i < length; ++i) out.Put(body[i]);
  if (specifier.left) out.Repeat(L' ', pad);
}

void PutNumber(Output& out, const Specifier& specifier, const FormatArg& arg) {
  // The platform's int and unsigned are 32 bits: %d of an unsigned value and
  // %u/%x of a signed one reinterpret the bits, as printf does.
  bool isSigned = specifier.conversion == L'd' || specifier.conversion == L'i';
  auto bits = static_cast<std::uint32_t>(arg.number());
  bool negative = isSigned && static_cast<std::int32_t>(bits) < 0;
  std::uint64_t magnitude =
      negative ? -static_cast<std::int64_t>(static_cast<std::int32_t>(bits)) : bits;
  unsigned base = (specifier.conversion == L'x' || specifier.conversion == L'X') ? 16 : 10;
  const WCHAR* digits = specifier.conversion == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
  WCHAR reversed[16];
  size_t count = 0;
  do {
    reversed[count++] = digits[magnitude % base];
    magnitude /= base;
  } while (magnitude);
  if (specifier.hasPrecision && specifier.precision == 0 && bits == 0) count = 0;
  WCHAR body[48];
  size_t length = 0;
  if (negative) body[length++] = L'-';
  size_t minimum = specifier.hasPrecision && specifier.precision < 32 ? specifier.precision : 0;
  for (size_t i = count; i < minimum; ++i) body[length++] = L'0';
  while (count) body[length++] = reversed[--count];
  PutPadded(out, specifier, body, length, true);
}

void PutText(Output& out, const Specifier& specifier, const WCHAR* text) {
  if (!text) text = L"(null)";
  size_t length = 0;
  while (text[length] && (!specifier.hasPrecision || length < specifier.precision)) ++length;
  PutPadded(out, specifier, text, length, false);
}

}  // namespace

int FormatTextV(WCHAR* out, size_t capacity, const WCHAR* format, std::span<const FormatArg> args) {
  if (!out || capacity == 0) return -1;
  Output output(out, capacity);
  size_t next = 0;
  bool ok = format != nullptr;
  for (const WCHAR* p = format; ok && *p;) {
    if (*p != L'%') {
      output.Put(*p++);
      continue;
    }
    ++p;
    Specifier specifier;
    if (!ParseSpecifier(p, specifier)) {
      ok = false;
    } else if (specifier.conversion == L'%') {
      output.Put(L'%');
    } else if (next >= args.size()) {
      ok = false;
    } else if (specifier.conversion == L's') {
      ok = args[next].kind() == FormatArg::Kind::kText;
      if (ok) PutText(output, specifier, args[next].text());
      ++next;
    } else {
      ok = args[next].kind() != FormatArg::Kind::kText;
      if (ok) PutNumber(output, specifier, args[next]);
      ++next;
    }
  }
  int length = output.Finish();
  return ok && next == args.size() ? length : -1;
}

void CopyText(WCHAR* out, size_t capacity, const WCHAR* src) {
  if (!out || capacity == 0) return;
  size_t i = 0;
  for (; src && src[i] && i + 1 < capacity; ++i) out[i] = src[i];
  out[i] = 0;
}
