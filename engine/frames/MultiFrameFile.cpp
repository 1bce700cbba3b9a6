#include "MultiFrameFile.h"

namespace zelvo {

MultiFrameFile::MultiFrameFile() : FrameTemplate(ZV_TEMPLATE_MULTI), header_(new uint8_t[kMultiHeaderSize]()) {}
bool MultiFrameFile::load(const char16_t* path) { return FrameTemplate::load(path); }
bool MultiFrameFile::render(Image& target) { return FrameTemplate::render(target); }
void MultiFrameFile::reset() { commonReset(); }
int32_t MultiFrameFile::width() const { return 0; }
int32_t MultiFrameFile::height() const { return 0; }
int32_t MultiFrameFile::windowAt(int32_t, int32_t, ZvRect*) const { return -1; }
bool MultiFrameFile::windowRect(int32_t, ZvRect*) const { return false; }

}  // namespace zelvo
