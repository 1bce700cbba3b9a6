// A border that grows with the photo: corner and edge pieces cut from a small skin picture,
// described by an ini file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "FrameTemplate.h"

namespace zelvo {

// Where each piece's size sits in the piece table.
enum SkinPiece : int {
  kUpLeft, kUpMid, kUpRight, kCtLeft, kCtRight, kBtLeft, kBtMid, kBtRight, kDrawPoint, kExtraSpace,
  kPieceCount
};

struct PieceSize {
  int32_t w = 0;
  int32_t h = 0;
};

class SkinFrame : public FrameTemplate {
 public:
  explicit SkinFrame(uint32_t type);

  bool load(const char16_t* path) override;
  bool render(Image& target) override;
  void reset() override;
  int32_t width() const override { return outW_; }
  int32_t height() const override { return outH_; }

  // The loaders of other skin kinds fill these directly.
  std::array<PieceSize, kPieceCount>& pieces() { return pieces_; }
  void setAlphaFlag(bool on) { alphaFlag_ = on; }
  const std::u16string& skinPath() const { return skinPath_; }

 private:
  std::array<PieceSize, kPieceCount> pieces_{};
  bool alphaFlag_ = false;
  std::u16string skinPath_;
  int32_t outW_ = 0;
  int32_t outH_ = 0;
};

}  // namespace zelvo
