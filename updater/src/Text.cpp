#include "Text.h"

#include <algorithm>

namespace zlvup {

namespace {
char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

std::size_t cutLength(std::u16string_view text, std::size_t maxUnits) {
  std::size_t n = std::min(text.size(), maxUnits);
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return n;
}
}  // namespace

bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return foldAscii(x) == foldAscii(y); });
}

void copyTruncated(std::span<char16_t> field, std::u16string_view text, std::size_t maxUnits) {
  if (field.empty()) return;
  std::size_t n = cutLength(text, std::min(maxUnits, field.size() - 1));
  std::copy_n(text.begin(), n, field.begin());
  field[n] = u'\0';
}

std::u16string truncated(std::u16string_view text, std::size_t maxUnits) {
  return std::u16string(text.substr(0, cutLength(text, maxUnits)));
}

std::u16string_view fieldText(std::span<const char16_t> field) {
  auto end = std::find(field.begin(), field.end(), u'\0');
  return std::u16string_view(field.data(), std::size_t(end - field.begin()));
}

}  // namespace zlvup
