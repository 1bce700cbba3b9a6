// The multi-window frame file: header parsing, window queries and the render pipeline.
#include "MultiFrameFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FramePhoto.h"
#include "formats/Codec.h"
#include "formats/Dispatch.h"
#include "core/Effects.h"
#include "zlvplatform.h"

namespace zelvo {

namespace {

constexpr uint8_t kSignatureLength = 22;
constexpr char kOldSignature[] = "qUILTAMORE Multi Frame";  // 22 characters
constexpr char kSignature[] = "Zelvo Multi Frame|";       // 18 characters, version follows
constexpr char kVersion[] = "0001";
// Artwork larger than this is not a frame picture but a hostile file.
constexpr long kMaxArtworkBytes = 256L << 20;

template <class T>
T readAt(const uint8_t* p, size_t offset) {
  T v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}

// Effect A and B codes name the same effects; both tables map to one list.
enum class Effect { None, Gray, TonePreset23, Brighter, Darker, Blur, Negative, Sketch, Mirror,
                    Flip, Style0, Style1, Style2, Style3, Emboss, Posterize, Splash5, SoftGlow,
                    Sharpen, Outline };

struct EffectCode {
  int32_t code;
  Effect effect;
};

constexpr EffectCode kEffectsA[] = {
    {1, Effect::Gray},       {2, Effect::TonePreset23}, {3, Effect::Brighter}, {4, Effect::Darker},
    {5, Effect::Blur},       {6, Effect::Negative},     {8, Effect::Sketch},   {9, Effect::Mirror},
    {10, Effect::Flip},      {100, Effect::Style0},     {101, Effect::Style1}, {102, Effect::Style2},
    {103, Effect::Style3},   {104, Effect::Emboss},     {105, Effect::Posterize},
    {106, Effect::Splash5},  {107, Effect::SoftGlow},   {108, Effect::Sharpen},
    {109, Effect::Outline},
};

constexpr EffectCode kEffectsB[] = {
    {1, Effect::Gray},      {2, Effect::TonePreset23}, {3, Effect::Brighter}, {4, Effect::Darker},
    {5, Effect::Blur},      {6, Effect::Negative},     {8, Effect::Sketch},   {9, Effect::Mirror},
    {10, Effect::Flip},     {11, Effect::Style0},      {12, Effect::Style1},  {13, Effect::Style2},
    {14, Effect::Style3},   {15, Effect::Emboss},      {16, Effect::Posterize},
    {17, Effect::Splash5},  {18, Effect::SoftGlow},    {19, Effect::Sharpen}, {20, Effect::Outline},
};

template <size_t N>
Effect lookup(const EffectCode (&table)[N], int32_t code) {
  for (const auto& e : table)
    if (e.code == code) return e.effect;
  return Effect::None;
}

struct Kernel {
  int32_t k[9];
  int32_t divisor;
  int32_t offset;
};
constexpr Kernel kEmboss{{0, 0, -1, 0, 0, 0, 1, 0, 0}, -1, 127};
constexpr Kernel kSharpen{{-1, -1, -1, -1, 15, -1, -1, -1, -1}, 7, 0};
constexpr Kernel kOutline{{-1, -1, -1, -1, 8, -1, -1, -1, -1}, -1, 255};

void applyEffect(Image& img, Effect e) {
  switch (e) {
    case Effect::None: break;
    case Effect::Gray: fx::grayScale(img); break;
    case Effect::TonePreset23: fx::tonePreset(img, 23); break;
    case Effect::Brighter: fx::brightnessContrast(img, 10, 0); break;
    case Effect::Darker: fx::brightnessContrast(img, -10, 0); break;
    case Effect::Blur: fx::gaussianBlur(img, 10.0f); break;
    case Effect::Negative: fx::negative(img); break;
    case Effect::Sketch: fx::sketch(img); break;
    case Effect::Mirror: img.mirror(false, true); break;
    case Effect::Flip: img.flip(false, true); break;
    case Effect::Style0: fx::colorStyle(img, 0); break;
    case Effect::Style1: fx::colorStyle(img, 1); break;
    case Effect::Style2: fx::colorStyle(img, 2); break;
    case Effect::Style3: fx::colorStyle(img, 3); break;
    case Effect::Emboss: fx::customFilter(img, kEmboss.k, 3, kEmboss.divisor, kEmboss.offset); break;
    case Effect::Posterize: fx::posterize(img, 2); break;
    case Effect::Splash5: fx::splash(img, 5); break;
    case Effect::SoftGlow: fx::softGlow(img); break;
    case Effect::Sharpen: fx::customFilter(img, kSharpen.k, 3, kSharpen.divisor, kSharpen.offset); break;
    case Effect::Outline: fx::customFilter(img, kOutline.k, 3, kOutline.divisor, kOutline.offset); break;
  }
}

void raise24(Image& img) {
  if (img.valid() && img.depth() != 24) img.increaseBpp(24);
}

struct FileCloser {
  void operator()(FILE* f) const noexcept { std::fclose(f); }
};

// Opens a regular file for reading; folders and missing files give null.
std::unique_ptr<FILE, FileCloser> openRegular(const char16_t* path) {
  const std::string p = zlv::toUtf8(path ? path : u"");
  if (p.empty()) return nullptr;
  std::unique_ptr<FILE, FileCloser> f(std::fopen(p.c_str(), "rb"));
  if (!f || !isRegularFile(p)) return nullptr;
  return f;
}

}  // namespace

MultiFrameFile::MultiFrameFile()
    : FrameTemplate(ZV_TEMPLATE_MULTI), header_(new uint8_t[kMultiHeaderSize]()) {}

int32_t MultiFrameFile::headerInt(size_t offset) const { return readAt<int32_t>(header_.get(), offset); }

WindowRecord MultiFrameFile::window(uint32_t index) const {
  WindowRecord w;
  if (index >= kMaxWindows) return w;
  const uint8_t* r = header_.get() + kWindowRecordOffset + size_t(index) * kWindowRecordSize;
  w.rect = ZvRect{readAt<int32_t>(r, 0), readAt<int32_t>(r, 4), readAt<int32_t>(r, 8), readAt<int32_t>(r, 12)};
  w.angle = readAt<double>(r, 16);
  w.opacity = readAt<int32_t>(r, 24);
  w.shadowSize = readAt<int32_t>(r, 28);
  w.effectA = readAt<int32_t>(r, 32);
  w.rounded = readAt<int32_t>(r, 36);
  w.effectB = readAt<uint16_t>(r, 44);
  w.customFilter = r[50];
  for (int i = 0; i < 9; ++i) w.kernel[i] = readAt<int32_t>(r, 51 + size_t(i) * 4);
  w.kernelSize = readAt<int32_t>(r, 87);
  w.divisor = readAt<int32_t>(r, 91);
  w.offset = readAt<int32_t>(r, 95);
  w.noise = readAt<int32_t>(r, 99);
  w.splash = readAt<int32_t>(r, 103);
  w.toneOn = r[107];
  w.toneFlag = r[108];
  for (int i = 0; i < 3; ++i) w.tone[i] = readAt<int32_t>(r, 109 + size_t(i) * 4);
  w.tonePreset = readAt<int32_t>(r, 121);
  w.shiftOn = r[125];
  w.shiftGray = r[126];
  for (int i = 0; i < 3; ++i) w.shift[i] = readAt<int32_t>(r, 127 + size_t(i) * 4);
  w.lightOn = r[139];
  w.brightness = readAt<int32_t>(r, 140);
  w.contrast = readAt<int32_t>(r, 144);
  w.solarize = readAt<int32_t>(r, 148);
  w.gamma = readAt<float>(r, 152);
  w.blendOp = readAt<uint16_t>(r, 156);
  return w;
}

bool MultiFrameFile::load(const char16_t* path) {
  error_ = kFrameOk;
  windowCount_ = 1;
  loaded_ = false;
  hasArtwork_ = false;
  framePicture().destroyPixels();
  auto file = openRegular(path);
  if (!file) {
    error_ = kFrameCannotOpen;
    return false;
  }
  uint8_t* h = header_.get();
  std::memset(h, 0, kMultiHeaderSize);
  const size_t got = std::fread(h, 1, kMultiHeaderSize, file.get());
  if (got < kMultiHeaderSize && h[0] != kSignatureLength) {
    error_ = kFrameBadHeader;
    return false;
  }
  if (std::memcmp(h + kSignatureAt, kOldSignature, 22) != 0) {
    if (std::memcmp(h + kSignatureAt, kSignature, 18) != 0) {
      error_ = kFrameBadHeader;
      return false;
    }
    if (std::memcmp(h + kVersionAt, kVersion, 4) > 0) {
      error_ = kFrameNewerVersion;
      return false;
    }
  }
  if (headerInt(kArtworkFlagAt) == -1) {
    loaded_ = true;
  } else {
    // The artwork is whatever follows the header, in any format the engine reads.
    std::vector<uint8_t> rest;
    const long start = std::ftell(file.get());
    long end = start;
    if (start >= 0 && std::fseek(file.get(), 0, SEEK_END) == 0) end = std::ftell(file.get());
    const long size = end - start;
    if (size > 0 && size <= kMaxArtworkBytes && std::fseek(file.get(), start, SEEK_SET) == 0) {
      rest.resize(size_t(size));
      rest.resize(std::fread(rest.data(), 1, rest.size(), file.get()));
    }
    Image& art = framePicture();
    if (!rest.empty() && zelvo::decodeMemory(art, rest.data(), uint32_t(rest.size()), 0) && art.valid()) {
      raise24(art);
      hasArtwork_ = true;
      loaded_ = true;
    } else {
      art.destroyPixels();
      error_ = kFrameBadArtwork;
    }
  }
  windowCount_ = std::min<uint32_t>(readAt<uint32_t>(h, kWindowCountAt), kMaxWindows);
  return loaded_;
}

void MultiFrameFile::reset() {
  hasArtwork_ = false;
  commonReset();
}

int32_t MultiFrameFile::width() const {
  return hasArtwork_ ? FrameTemplate::width() : headerInt(kFrameWidthAt);
}

int32_t MultiFrameFile::height() const {
  return hasArtwork_ ? FrameTemplate::height() : headerInt(kFrameHeightAt);
}

bool MultiFrameFile::windowRect(int32_t index, ZvRect* out) const {
  if (index < 0 || uint32_t(index) >= windowCount_) return false;
  if (out) *out = window(uint32_t(index)).rect;
  return true;
}

int32_t MultiFrameFile::windowAt(int32_t x, int32_t y, ZvRect* out) const {
  for (int32_t t = int32_t(windowCount_) - 1; t >= 0; --t) {
    const ZvRect r = window(uint32_t(t)).rect;
    if (r.left <= x && x < r.right && r.top <= y && y < r.bottom) {
      if (out) *out = r;
      return t;
    }
  }
  return -1;
}

bool MultiFrameFile::renderWindow(Image& target, uint32_t t, int32_t baseOp, const ZvRect*& reference) {
  ZvRect* crop = nullptr;
  Image* photo = getPhoto(int32_t(t), &crop);
  if (!photo || !photo->valid() || !crop) return true;
  if (t == 0 && crop->right != 0) reference = crop;
  const WindowRecord w = window(t);
  const int64_t ww = int64_t(w.rect.right) - w.rect.left, wh = int64_t(w.rect.bottom) - w.rect.top;
  // Inverted or absurd windows show nothing; a window may not outgrow the frame by much.
  if (ww <= 0 || wh <= 0 || ww > 4 * int64_t(target.width()) + 64 || wh > 4 * int64_t(target.height()) + 64)
    return true;
  fitPhoto(w.rect, *crop, reference == crop ? nullptr : reference, photo->width(), photo->height(), false);

  ImagePtr work = cropPhoto(*photo, *crop);
  if (!work || !work->resampleInterpolated(int32_t(ww), int32_t(wh), 2, 5, nullptr, false)) return true;
  int64_t px = w.rect.left, py = w.rect.top;
  Image& img = *work;

  if (w.noise) raise24(img), fx::noise(img, w.noise);
  if (w.splash) raise24(img), fx::splash(img, w.splash);
  if (w.shiftOn) {
    if (w.shiftGray) fx::grayScale(img);
    fx::colorShift(img, w.shift[0], w.shift[1], w.shift[2]);
  }
  if (w.toneOn) raise24(img), fx::toneAdjust(img, w.tone[0], w.tone[1], w.tone[2], w.toneFlag != 0);
  if (w.tonePreset) raise24(img), fx::tonePreset(img, w.tonePreset);
  if (w.lightOn) {
    raise24(img);
    if (w.brightness || w.contrast) fx::brightnessContrast(img, w.brightness, w.contrast);
    if (w.gamma != 1.0f) fx::gamma(img, w.gamma);
    if (w.solarize) fx::solarize(img, uint8_t(w.solarize & 0xff));
  }
  if (w.customFilter) raise24(img), fx::customFilter(img, w.kernel, w.kernelSize, w.divisor, w.offset);
  raise24(img);
  applyEffect(img, lookup(kEffectsA, w.effectA));
  raise24(img);
  applyEffect(img, lookup(kEffectsB, int32_t(w.effectB)));

  if (baseOp != 12 && w.opacity != 0 && w.opacity != 100) {
    const int64_t a = std::clamp<int64_t>(int64_t(w.opacity) * 255 / 100, 0, 255);
    if (img.alpha || img.allocAlpha(255)) std::memset(img.alpha.get(), int(a), size_t(img.width()) * size_t(img.height()));
  }
  const int32_t corner = headerInt(kCornerPercentAt);
  if (w.rounded) {
    const double p = double(std::clamp(corner, 0, 100));
    fx::roundRectToAlpha(img, ZvRect{0, 0, img.width(), img.height()}, int32_t(p * img.width() * 0.01),
                         int32_t(p * img.height() * 0.01));
  }
  // Angles arrive as raw doubles from the file: anything not finite means no rotation.
  const bool turned = w.angle != 0 && std::isfinite(w.angle) && std::fabs(w.angle) < 1e9;
  if (turned) {
    const int32_t oldW = img.width(), oldH = img.height();
    if ((img.alpha || img.allocAlpha(255)) && fx::rotate(img, float(w.angle), 2, 3, nullptr, false, false)) {
      px -= (int64_t(img.width()) - oldW) / 2;
      py -= (int64_t(img.height()) - oldH) / 2;
    }
  }
  if (w.shadowSize != 0) {
    const int32_t dx = headerInt(kShadowDxAt), dy = headerInt(kShadowDyAt);
    const int32_t softness = int32_t(std::clamp<int64_t>(5 * int64_t(w.shadowSize), -256, 256));
    fx::drawShadow(target, w.rect, turned ? float(w.angle) : 0.0f, softness, 0, 10, 256, dx, dy, corner);
    px += dx;
    py += dy;
  }
  if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) return true;
  const int32_t op = w.blendOp ? int32_t(w.blendOp) : baseOp;
  target.blendLayer(img, op, ZvRect{0, 0, img.width(), img.height()}, ZvPoint{int32_t(px), int32_t(py)}, false, true);
  return true;
}

bool MultiFrameFile::render(Image& target) {
  error_ = kFrameOk;
  if (!loaded_) {
    error_ = kFrameNotLoaded;
    return false;
  }
  if (photoCount() == 0) {
    error_ = kFrameNoPhoto;
    return false;
  }
  if (hasArtwork_) {
    target.copy(framePicture(), true, false, true, false);
  } else {
    const int32_t w = headerInt(kFrameWidthAt), h = headerInt(kFrameHeightAt);
    // A bare header may not ask for a canvas larger than any picture the engine decodes.
    if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > kDecodeMaxPixels ||
        !target.create(uint32_t(w), uint32_t(h), 24, 0)) {
      error_ = kFrameNoOutput;
      return false;
    }
    // Fresh pixels are not cleared; a frame without artwork starts white.
    std::memset(target.bits(), 255, size_t(target.stride()) * size_t(h));
  }
  if (!target.valid()) {
    error_ = kFrameNoOutput;
    return false;
  }
  const int32_t baseOp = target.alpha ? 12 : 10;
  const ZvRect* reference = nullptr;
  for (uint32_t t = 0; t < windowCount_ && t < kMaxWindows; ++t) renderWindow(target, t, baseOp, reference);
  if (!target.valid()) return false;
  if (Image* first = getPhoto(0, nullptr)) target.setType(first->info.type);
  target.alpha.reset();
  return true;
}

}  // namespace zelvo
