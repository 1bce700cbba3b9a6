// Image-table slots for DecreaseBpp and the GIF writer fields.
#include "Image.h"

namespace zelvo {

void fillColorOps(ZvImageOps& ops) { (void)ops; }

}  // namespace zelvo
