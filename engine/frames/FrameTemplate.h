// The state and behaviour every frame-template kind shares: photo places, texts, the frame
// picture and the error code. Kinds override the virtual operations they change; the one
// C table (frameOps) forwards each slot to them.
#pragma once

#include <array>
#include <cstdint>

#include "core/Image.h"
#include "zelvo.h"

namespace zelvo {

enum FrameError : int32_t {
  kFrameOk = 0,
  kFrameNewerVersion = 1,
  kFrameBadHeader = 2,
  kFrameNoPhoto = 4,
  kFrameNoOutput = 7,
  kFrameNotLoaded = 9,
  kFrameCannotOpen = 10,
  kFrameBadArtwork = 11,
  kFrameSkinMissing = 14,
};

constexpr int kPhotoPlaces = 100;
constexpr int kTextUnits = 100;

class FrameTemplate : public ZvFrameTemplate {
 public:
  explicit FrameTemplate(uint32_t type);
  virtual ~FrameTemplate() = default;
  FrameTemplate(const FrameTemplate&) = delete;
  FrameTemplate& operator=(const FrameTemplate&) = delete;

  static FrameTemplate* from(ZvFrameTemplate* t) { return static_cast<FrameTemplate*>(t); }

  // ---- kind-specific ----
  virtual bool load(const char16_t* path);
  virtual bool render(Image& target);
  virtual void reset();
  virtual int32_t width() const;
  virtual int32_t height() const;
  virtual int32_t windowAt(int32_t x, int32_t y, ZvRect* out) const;
  virtual bool windowRect(int32_t index, ZvRect* out) const;

  // ---- common ----
  Image& framePicture() { return *picture_; }
  const Image& framePicture() const { return *picture_; }
  bool isReady() const { return loaded_ && type_ != 0; }
  uint32_t type() const { return type_; }
  int32_t lastError() const { return error_; }
  char16_t* text1() { return text1_.data(); }
  char16_t* text2() { return text2_.data(); }

  int32_t addPhoto(const ZvPhotoEntry& entry);
  bool clearPhoto(int32_t index);
  void clearAllPhotos();
  // The place's picture, or for an empty place the last place's picture; *rect gets the
  // place's own crop rectangle (null for indexes out of range).
  Image* getPhoto(int32_t index, ZvRect** rect);
  ZvPhotoEntry* photoPlace(int32_t index);
  ZvPhotoEntry* lastPhotoPlace();
  bool setPhoto(int32_t index, const ZvPhotoEntry& entry);
  int32_t photoCount() const;
  int32_t windowCount() const { return windowCount_ == 0 ? 1 : windowCount_; }
  void setValue64(uint32_t low, uint32_t high) { value64_ = (uint64_t(high) << 32) | low; }
  void clearValue64() { value64_ = 0; }
  uint64_t value64() const { return value64_; }

 protected:
  // The whole frame as window 0: the default of kinds with one window.
  ZvRect wholeFrame() const { return ZvRect{0, 0, width(), height()}; }
  void commonReset();

  bool loaded_ = false;
  int32_t error_ = kFrameOk;
  uint32_t type_ = 0;
  uint32_t windowCount_ = 1;

 private:
  ImagePtr picture_;
  std::array<char16_t, kTextUnits> text1_{};
  std::array<char16_t, kTextUnits> text2_{};
  uint64_t value64_ = 0;
  std::array<ZvPhotoEntry, kPhotoPlaces> photos_{};
};

// The operation table every template kind (and the manager) carries.
const ZvFrameOps* frameOps();

// Works out the crop of a photo for a window: the window's aspect ratio, centred, with
// tall photos keeping their upper part. `reference` may be null; `useCropSize` takes W
// and H from an already fitted crop.
void fitPhoto(const ZvRect& window, ZvRect& crop, const ZvRect* reference, int32_t photoW,
              int32_t photoH, bool useCropSize);

}  // namespace zelvo
