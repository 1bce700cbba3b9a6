// Image-table slots for load, save, decode, encode.
#include "../core/Image.h"

namespace zelvo {

void fillFormatOps(ZvImageOps& ops) { (void)ops; }

}  // namespace zelvo
