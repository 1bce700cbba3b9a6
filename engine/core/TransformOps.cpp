// Image-table slots of the core transforms: resampling, turns, depth changes, bitmap
// conversion and compositing.
#include "Image.h"

namespace zelvo {

void fillTransformOps(ZvImageOps& ops) { (void)ops; }

}  // namespace zelvo
