// OperationStatus: 200 UTF-16 units of display name and a progress code, process-wide.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {

constexpr size_t kStatusUnits = 200;

// Export i: copies at most 200 units (no terminator at 200 or more), zero-pads the rest.
char16_t* statusSetText(const char16_t* text);
// Export j.
int32_t statusSetCode(int32_t code);
// Export k: copies the text, forces unit 199 to zero, returns the code.
int32_t statusRead(char16_t* out);

}  // namespace zelvo
