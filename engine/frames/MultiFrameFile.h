// The maker's multi-window frame file ("qlf3" / "zlve"): a fixed header of window records,
// optionally followed by the artwork picture.
#pragma once

#include <cstdint>
#include <memory>

#include "FrameTemplate.h"

namespace zelvo {

constexpr size_t kMultiHeaderSize = 105080;
constexpr size_t kWindowRecordOffset = 280;
constexpr size_t kWindowRecordSize = 1048;
constexpr uint32_t kMaxWindows = 100;

// One window record, unpacked from its unaligned bytes.
struct WindowRecord {
  ZvRect rect{};
  double angle = 0;
  int32_t opacity = 0;
  int32_t shadowSize = 0;
  int32_t effectA = 0;
  int32_t rounded = 0;
  uint16_t effectB = 0;
  uint8_t customFilter = 0;
  int32_t kernel[9] = {};
  int32_t kernelSize = 0;
  int32_t divisor = 0;
  int32_t offset = 0;
  int32_t noise = 0;
  int32_t splash = 0;
  uint8_t toneOn = 0;
  uint8_t toneFlag = 0;
  int32_t tone[3] = {};
  int32_t tonePreset = 0;
  uint8_t shiftOn = 0;
  uint8_t shiftGray = 0;
  int32_t shift[3] = {};
  uint8_t lightOn = 0;
  int32_t brightness = 0;
  int32_t contrast = 0;
  int32_t solarize = 0;
  float gamma = 1.0f;
  uint16_t blendOp = 0;
};

class MultiFrameFile : public FrameTemplate {
 public:
  MultiFrameFile();

  bool load(const char16_t* path) override;
  bool render(Image& target) override;
  void reset() override;
  int32_t width() const override;
  int32_t height() const override;
  int32_t windowAt(int32_t x, int32_t y, ZvRect* out) const override;
  bool windowRect(int32_t index, ZvRect* out) const override;

  WindowRecord window(uint32_t index) const;

 private:
  bool renderWindow(Image& target, uint32_t t, int32_t baseOp, const ZvRect*& reference);
  int32_t headerInt(size_t offset) const;

  std::unique_ptr<uint8_t[]> header_;
  bool hasArtwork_ = false;
};

}  // namespace zelvo
