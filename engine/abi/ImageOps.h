// The image operation table, assembled here above core, formats and frames. Each file of
// this folder fills the slots of one concern; reserved slots answer 0.
#pragma once

#include "zelvo.h"

namespace zelvo {

void fillCoreOps(ZvImageOps& ops);       // CoreOps.cpp: creation, accessors, palette, pixels
void fillTransformOps(ZvImageOps& ops);  // TransformOps.cpp: resampling, turns, depth, compositing
void fillFormatOps(ZvImageOps& ops);     // FormatOps.cpp: load, save, decode, encode
void fillGifFieldOps(ZvImageOps& ops);   // GifFieldOps.cpp: disposal, loops, comment
void fillEffectOps(ZvImageOps& ops);     // EffectOps.cpp: filters and photo effects

}  // namespace zelvo
