// UTF-16 helpers for the record's text fields and the version and partner comparisons.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace zlvup {

// Ordinal order, unit by unit; a text that ends first orders before the longer one. Version
// texts are compared this way on purpose: "1.0.0.10" is not newer than "1.0.0.9", as the
// published update lists expect. Not a numeric version comparison; do not make it one.
inline bool ordinalBefore(std::u16string_view a, std::u16string_view b) { return a < b; }

// Equal when only the letters A-Z differ in case.
bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// Copies at most maxUnits units of text into field and terminates it; a high surrogate left
// without its partner by the cut is dropped too.
void copyTruncated(std::span<char16_t> field, std::u16string_view text, std::size_t maxUnits);

// Keeps at most maxUnits units of text (the same surrogate rule).
std::u16string truncated(std::u16string_view text, std::size_t maxUnits);

// The text of a zero-terminated field (never reads past its end).
std::u16string_view fieldText(std::span<const char16_t> field);

}  // namespace zlvup
