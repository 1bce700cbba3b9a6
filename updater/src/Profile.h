// The ini files of the updater, read and written with the platform's profile functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zlvup {

// The whole value (a missing file or key gives the empty text), however long it is.
std::u16string readProfileString(const std::u16string& file, std::u16string_view section,
                                 std::u16string_view key);
int32_t readProfileInt(const std::u16string& file, std::u16string_view section,
                       std::u16string_view key, int32_t def);
// False when the file cannot be written; callers carry on regardless.
bool writeProfileString(const std::u16string& file, std::u16string_view section,
                        std::u16string_view key, std::u16string_view value);

}  // namespace zlvup
