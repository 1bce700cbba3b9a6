// The maker's multi-window frame file ("qlf3" / "zlve"): a fixed header of window records,
// optionally followed by the artwork picture.
#pragma once

#include <cstdint>
#include <memory>

#include "FrameTemplate.h"

namespace zelvo {

// The header (little-endian, 105080 bytes; the artwork picture, if any, follows it):
//   offset 0    u8   signature length, 22
//   offset 1    22   "qUILTAMORE Multi Frame", or "Zelvo Multi Frame|" and at 19 a
//                    four-character version ("0001")
//   offset 36   i32  frame width, used without artwork
//   offset 40   i32  frame height, same use
//   offset 44   u32  window count (above 100 read as 100)
//   offset 252  i32  artwork flag: -1 = no artwork picture follows
//   offset 264  i32  shadow displacement x
//   offset 268  i32  shadow displacement y
//   offset 272  i32  corner percentage (rounded corners and shadow)
//   offset 280  100 window records of 1048 bytes (fields in MultiFrameFile::window)
// Everything else is not read.
constexpr size_t kMultiHeaderSize = 105080;
constexpr size_t kSignatureAt = 1;
constexpr size_t kVersionAt = 19;
constexpr size_t kFrameWidthAt = 36;
constexpr size_t kFrameHeightAt = 40;
constexpr size_t kWindowCountAt = 44;
constexpr size_t kArtworkFlagAt = 252;
constexpr size_t kShadowDxAt = 264;
constexpr size_t kShadowDyAt = 268;
constexpr size_t kCornerPercentAt = 272;
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
