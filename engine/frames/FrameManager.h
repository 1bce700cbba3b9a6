// The process-wide frame manager (export d): extension -> template kind, create, destroy.
#pragma once

#include <cstdint>

#include "zelvo.h"

namespace zelvo {

// Never null; created on first use, lives until the engine is unloaded.
ZvFrameTemplate* frameManager();

// The template kind for an extension without its dot (letter case ignored); 0 when none.
uint32_t templateTypeFromExtension(const char16_t* extension);

// A new template of the kind, or null for numbers without a kind (and when out of memory).
ZvFrameTemplate* createTemplate(uint32_t type);

}  // namespace zelvo
