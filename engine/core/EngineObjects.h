// Factories of the engine objects the exports hand out besides images and streams.
#pragma once

#include "zelvo.h"

namespace zelvo {

ZvTracker* makeTracker();                                // export e
ZvPluginHost* makePluginHost();                          // export m
ZvComStream* makeBitmapStream(ZvImage* image, int32_t flag);  // export o

}  // namespace zelvo
