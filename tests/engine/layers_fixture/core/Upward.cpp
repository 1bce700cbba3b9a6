// Provokes the layering check: core reaching up into formats, frames and the ABI folder.
#include "formats/Codec.h"
#include "../frames/Frame.h"
#include "ImageOps.h"
