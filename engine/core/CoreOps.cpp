// Image-table slots for exports, creation, accessors, pixels and core transforms.
#include "Image.h"

namespace zelvo {

void fillCoreOps(ZvImageOps& ops) { (void)ops; }

}  // namespace zelvo
