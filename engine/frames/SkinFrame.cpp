#include "SkinFrame.h"

namespace zelvo {

SkinFrame::SkinFrame(uint32_t type) : FrameTemplate(type) {}
bool SkinFrame::load(const char16_t* path) { return FrameTemplate::load(path); }
bool SkinFrame::render(Image& target) { return FrameTemplate::render(target); }
void SkinFrame::reset() { commonReset(); }

}  // namespace zelvo
