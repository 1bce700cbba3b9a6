#include "Profile.h"

#include <zlvplatform.h>

#include <vector>

namespace zlvup {

namespace {
// A value this long is not a setting but a broken file; stop growing the buffer there.
constexpr std::size_t kMaxValueUnits = std::size_t(1) << 24;
}  // namespace

std::u16string readProfileString(const std::u16string& file, std::u16string_view section,
                                 std::u16string_view key) {
  if (file.empty()) return {};
  const std::u16string s(section), k(key);
  std::vector<char16_t> buffer(1024);
  for (;;) {
    uint32_t n = zlvGetProfileString(s.c_str(), k.c_str(), u"", buffer.data(),
                                     uint32_t(buffer.size()), file.c_str());
    if (n > buffer.size() - 1) n = uint32_t(buffer.size() - 1);
    // A value that fills the buffer to within two units may have been cut: read again.
    if (n + 2 < buffer.size() || buffer.size() >= kMaxValueUnits)
      return std::u16string(buffer.data(), n);
    buffer.assign(buffer.size() * 2, u'\0');
  }
}

int32_t readProfileInt(const std::u16string& file, std::u16string_view section,
                       std::u16string_view key, int32_t def) {
  if (file.empty()) return def;
  const std::u16string s(section), k(key);
  return zlvGetProfileInt(s.c_str(), k.c_str(), def, file.c_str());
}

bool writeProfileString(const std::u16string& file, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value) {
  if (file.empty()) return false;
  const std::u16string s(section), k(key), v(value);
  return zlvWriteProfileString(s.c_str(), k.c_str(), v.c_str(), file.c_str());
}

}  // namespace zlvup
