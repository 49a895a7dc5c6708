#include "framework/text.h"

#include <cstdint>
#include <cstring>

void MemCopy(void* dst, const void* src, int n) {
  if (n <= 0) return;
  // Byte-wise until aligned, then 8 bytes at a time; forward only.
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  while (n > 0 && (reinterpret_cast<uintptr_t>(d) & 3) != 0) {
    *d++ = *s++;
    --n;
  }
  while (n >= 8) {
    uint64_t word;
    std::memcpy(&word, s, 8);
    std::memcpy(d, &word, 8);
    d += 8;
    s += 8;
    n -= 8;
  }
  while (n-- > 0) *d++ = *s++;
}

void MemFill(void* dst, int byte, int n) {
  if (n <= 0) return;
  auto* d = static_cast<unsigned char*>(dst);
  uint32_t word = (byte & 0xFFu) * 0x01010101u;
  for (int i = 0; i < n / 4; ++i, d += 4) std::memcpy(d, &word, 4);
  for (int i = 0; i < n % 4; ++i) *d++ = static_cast<unsigned char>(byte);
}

int StrLen(const char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

void StrCopyN(char* dst, const char* src, int n) {
  if (n < 0) return;
  for (int i = 0; i < n; ++i) {
    dst[i] = src[i];
    if (!src[i]) return;
  }
  dst[n] = 0;
}

int StrCompareNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    signed char ca = static_cast<signed char>(*a);
    signed char cb = static_cast<signed char>(*b);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<signed char>(ca - 'a' + 'A');
    if (cb >= 'a' && cb <= 'z') cb = static_cast<signed char>(cb - 'a' + 'A');
    if (ca != cb) return ca > cb ? 1 : -1;
    if (!ca) return 0;
  }
}

namespace {

// Output state: the write position and the characters still allowed.
struct Out {
  char* p;
  int room;
  void Put(char c) {
    *p++ = c;
    --room;
  }
};

// Lays out a number of `len` characters, which `at` gives one by one in
// order: sign first, then '%' fill when it does not fit, else the padded
// characters.
template <typename At>
void PutNumber(Out& out, char sign, int64_t len, At at, int64_t width, bool haveWidth, bool zero) {
  if (!haveWidth) width = len + (sign ? 1 : 0);
  if (width > out.room) width = out.room;
  if (sign) {
    if (out.room == 0) return;
    out.Put(sign);
    --width;
  }
  if (width < len) {
    for (int64_t i = 0; i < width; ++i) out.Put('%');
    return;
  }
  for (int64_t i = len; i < width; ++i) out.Put(zero ? '0' : ' ');
  for (int64_t i = 0; i < len; ++i) out.Put(at(i));
}

// Digits of v in the given base, most significant first; returns their count.
int UnsignedDigits(char* text, uint32_t v, unsigned base) {
  static const char hex[] = "0123456789ABCDEF";
  char rev[32];
  int n = 0;
  do {
    rev[n++] = hex[v % base];
    v /= base;
  } while (v);
  for (int i = 0; i < n; ++i) text[i] = rev[n - 1 - i];
  text[n] = 0;
  return n;
}

// Decimal digits of a format field, saturating: any field wider than a
// buffer can hold behaves alike.
int64_t ReadCount(const char*& f) {
  int64_t n = 0;
  while (*f >= '0' && *f <= '9') {
    n = n * 10 + (*f++ - '0');
    if (n > INT32_MAX) n = INT32_MAX;
  }
  return n;
}

}  // namespace

char* FormatTextV(char* buffer, int size, const char* format, va_list args) {
  if (size <= 0) return buffer;  // nothing fits, not even the NUL
  Out out{buffer, size - 1};
  for (const char* f = format; *f;) {
    if (out.room == 0) break;
    if (*f != '%') {
      out.Put(*f++);
      continue;
    }
    ++f;
    bool plus = false, zero = false;
    if (*f == '+') {
      plus = true;
      ++f;
    }
    if (*f == '0') {
      zero = true;
      ++f;
    }
    const bool haveWidth = *f >= '0' && *f <= '9';
    const int64_t width = ReadCount(f);
    int64_t precision = 0;
    if (*f == '.') {
      ++f;
      precision = ReadCount(f);
    }
    char conv = *f;
    if (!conv) break;
    ++f;
    switch (conv) {
      case '%':
        out.Put('%');
        break;
      case 'c':
        out.Put(static_cast<char>(va_arg(args, int)));
        break;
      case 's': {
        const char* s = va_arg(args, const char*);
        if (!s) {
          if (out.room > 6)
            for (const char* n = "(NULL)"; *n; ++n) out.Put(*n);
          break;
        }
        int len = static_cast<int>(std::strlen(s));
        int64_t w = haveWidth ? width : len;
        if (w > out.room) w = out.room;
        int i = 0;
        for (; i < w && i < len; ++i) out.Put(s[i]);
        for (; i < w; ++i) out.Put(zero ? '0' : ' ');
        break;
      }
      case 'd': {
        int v = va_arg(args, int);
        uint32_t mag = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
        char sign = v < 0 ? '-' : (plus ? '+' : 0);
        char raw[12];
        const int64_t m = UnsignedDigits(raw, mag, 10);
        // At least p + 1 digits, with the point p digits from the right.
        const int64_t n = precision > 0 && precision + 1 > m ? precision + 1 : m;
        const int64_t point = precision > 0 ? n - precision : -1;
        auto at = [&](int64_t i) {
          if (i == point) return '.';
          const int64_t k = point >= 0 && i > point ? i - 1 : i;
          return k < n - m ? '0' : raw[k - (n - m)];
        };
        PutNumber(out, sign, n + (precision > 0 ? 1 : 0), at, width, haveWidth, zero);
        break;
      }
      case 'f': {
        uint32_t v = static_cast<uint32_t>(va_arg(args, int));
        char whole[12];
        const int64_t m = UnsignedDigits(whole, v >> 16, 10);
        const int64_t p = precision > 0 ? precision : 5;
        uint32_t frac = v & 0xFFFFu;
        auto at = [&](int64_t i) {
          if (i < m) return whole[i];
          if (i == m) return '.';
          // Each fraction digit from the remaining fraction times 10.
          frac *= 10;
          const char c = static_cast<char>('0' + (frac >> 16));
          frac &= 0xFFFFu;
          return c;
        };
        PutNumber(out, plus ? '+' : 0, m + 1 + p, at, width, haveWidth, zero);
        break;
      }
      case 'x':
      case 'p':
      case 'b': {
        uint32_t v = va_arg(args, unsigned);
        char digits[33];
        const int n = UnsignedDigits(digits, v, conv == 'b' ? 2 : 16);
        PutNumber(out, plus ? '+' : 0, n, [&](int64_t i) { return digits[i]; }, width, haveWidth, zero);
        break;
      }
      default:
        out.Put(conv);
        break;
    }
  }
  *out.p = 0;
  return out.p;
}

char* FormatText(char* buffer, int size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* end = FormatTextV(buffer, size, format, args);
  va_end(args);
  return end;
}
