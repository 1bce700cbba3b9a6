// Image-table slots for filters and photo effects.
#include "Image.h"

namespace zelvo {

void fillEffectOps(ZvImageOps& ops) { (void)ops; }

}  // namespace zelvo
