// UTF-8 <-> UTF-16 at the system-call boundary; malformed input becomes U+FFFD.
#include <cstring>
#include <cwctype>
#include <locale.h>

#include "Internal.h"
#include "zlvplatform.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point from UTF-16; advances i.
char32_t nextFrom16(std::u16string_view s, size_t& i) {
  char16_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
      return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i++] - 0xDC00);
    return kReplacement;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) return kReplacement;
  return c;
}

// Decodes one code point from UTF-8 (no overlongs, no surrogates, <= U+10FFFF); advances i
// past the longest valid prefix of a bad sequence, at least one byte.
char32_t nextFrom8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra;
  char32_t cp, min;
  if (c >= 0xC2 && c <= 0xDF) extra = 1, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) extra = 2, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) extra = 3, cp = c & 0x07, min = 0x10000;
  else return kReplacement;
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return kReplacement;
    unsigned char d = static_cast<unsigned char>(s[i]);
    if ((d & 0xC0) != 0x80) return kReplacement;
    char32_t next = (cp << 6) | (d & 0x3F);
    // Reject as soon as the prefix can only be overlong, a surrogate or too large.
    if (k == 0 && ((extra == 2 && c == 0xE0 && d < 0xA0) || (extra == 2 && c == 0xED && d > 0x9F) ||
                   (extra == 3 && c == 0xF0 && d < 0x90) || (extra == 3 && c == 0xF4 && d > 0x8F)))
      return kReplacement;
    cp = next;
    ++i;
  }
  return cp < min ? kReplacement : cp;
}

size_t encode8(char32_t cp, char* buf) {
  if (cp < 0x80) return buf[0] = char(cp), 1;
  if (cp < 0x800) return buf[0] = char(0xC0 | (cp >> 6)), buf[1] = char(0x80 | (cp & 0x3F)), 2;
  if (cp < 0x10000) {
    buf[0] = char(0xE0 | (cp >> 12));
    buf[1] = char(0x80 | ((cp >> 6) & 0x3F));
    buf[2] = char(0x80 | (cp & 0x3F));
    return 3;
  }
  buf[0] = char(0xF0 | (cp >> 18));
  buf[1] = char(0x80 | ((cp >> 12) & 0x3F));
  buf[2] = char(0x80 | ((cp >> 6) & 0x3F));
  buf[3] = char(0x80 | (cp & 0x3F));
  return 4;
}

size_t encode16(char32_t cp, char16_t* buf) {
  if (cp < 0x10000) return buf[0] = char16_t(cp), 1;
  cp -= 0x10000;
  buf[0] = char16_t(0xD800 + (cp >> 10));
  buf[1] = char16_t(0xDC00 + (cp & 0x3FF));
  return 2;
}

// Shared loop: writes whole code points only, stops when the next one does not fit.
template <class In, class Out, class Next, class Encode>
size_t convert(In in, Out* out, size_t capacity, Next next, Encode encode) {
  size_t written = 0, i = 0;
  bool counting = out == nullptr;
  Out buf[4];
  while (i < in.size()) {
    size_t n = encode(next(in, i), buf);
    if (!counting && written + n + 1 > capacity) break;
    if (!counting) std::memcpy(out + written, buf, n * sizeof(Out));
    written += n;
  }
  if (!counting && capacity > 0) out[written] = 0;
  return written;
}

locale_t utf8Locale() {
  static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return loc;
}

}  // namespace

extern "C" {

size_t zlvUtf16Length(const char16_t* text) {
  return zlv::detail::view(text).size();
}

size_t zlvUtf16ToUtf8(const char16_t* in, char* out, size_t capacity) {
  if (out && capacity == 0) return 0;
  return convert(zlv::detail::view(in), out, capacity, nextFrom16, encode8);
}

size_t zlvUtf8ToUtf16(const char* in, char16_t* out, size_t capacity) {
  if (out && capacity == 0) return 0;
  std::string_view s = in ? std::string_view(in) : std::string_view();
  return convert(s, out, capacity, nextFrom8, encode16);
}

}  // extern "C"

namespace zlv::detail {

std::string utf8(std::u16string_view text) {
  std::string out(convert(text, static_cast<char*>(nullptr), 0, nextFrom16, encode8), '\0');
  convert(text, out.data(), out.size() + 1, nextFrom16, encode8);
  return out;
}

std::u16string utf16(std::string_view text) {
  std::u16string out(convert(text, static_cast<char16_t*>(nullptr), 0, nextFrom8, encode16), u'\0');
  convert(text, out.data(), out.size() + 1, nextFrom8, encode16);
  return out;
}

uint32_t copyOut(std::u16string_view text, char16_t* out, uint32_t capacity) {
  if (!out || capacity == 0) return 0;
  if (text.size() + 1 > capacity) {
    out[0] = 0;
    return 0;
  }
  std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
  out[text.size()] = 0;
  return static_cast<uint32_t>(text.size());
}

char16_t foldCase(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  locale_t loc = utf8Locale();
  if (!loc) return c;
  wint_t lower = towlower_l(static_cast<wint_t>(c), loc);
  return lower <= 0xFFFF ? char16_t(lower) : c;
}

bool equalNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  return true;
}

std::u16string lowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = foldCase(c);
  return out;
}

}  // namespace zlv::detail
