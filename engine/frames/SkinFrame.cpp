// Skin frames: Load reads the piece table from the ini file, Render tiles the border
// around the photo.
#include "SkinFrame.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "FramePhoto.h"
#include "formats/Dispatch.h"
#include "zlvplatform.h"

namespace zelvo {

namespace {

constexpr size_t kMaxPathUnits = 260;

struct PieceKey {
  const char16_t* section;
  const char16_t* key;
};

// In the order of the piece table.
constexpr PieceKey kPieceKeys[kPieceCount] = {
    {u"skin", u"upleft"},  {u"skin", u"upmid"},      {u"skin", u"upright"}, {u"skin", u"ctleft"},
    {u"skin", u"ctright"}, {u"skin", u"btleft"},     {u"skin", u"btmid"},   {u"skin", u"btright"},
    {u"make", u"pic_drawpt"}, {u"make", u"extraspace"},
};

PieceSize readPair(const char16_t* section, const char16_t* key, const char16_t* ini) {
  char16_t value[64] = {};
  zlvGetProfileString(section, key, u"0 0", value, 64, ini);
  PieceSize p;
  if (std::sscanf(zlv::toUtf8(value).c_str(), "%d %d", &p.w, &p.h) != 2) {
    // A lone number fills the first field only, like a scan that stopped early.
    p.h = 0;
    if (std::sscanf(zlv::toUtf8(value).c_str(), "%d", &p.w) != 1) p.w = 0;
  }
  return p;
}

// The skin picture's path: beside the ini file, written with either separator. Values
// that climb out of the ini file's folder are refused (empty result).
std::u16string skinPicturePath(std::u16string_view ini, std::u16string_view value) {
  std::u16string rel(value);
  std::replace(rel.begin(), rel.end(), u'\\', u'/');
  if (!rel.empty() && rel.front() == u'/') rel.erase(0, 1);
  size_t start = 0;
  while (start <= rel.size()) {
    const size_t end = std::min(rel.find(u'/', start), rel.size());
    if (rel.compare(start, end - start, u"..") == 0) return {};
    start = end + 1;
  }
  std::u16string folder(ini);
  const size_t cut = folder.find_last_of(u"/\\");
  folder = cut == std::u16string::npos ? std::u16string() : folder.substr(0, cut + 1);
  std::u16string full = folder + rel;
  if (full.size() > kMaxPathUnits) return {};
  return full;
}

}  // namespace

SkinFrame::SkinFrame(uint32_t type) : FrameTemplate(type) {}

bool SkinFrame::load(const char16_t* path) {
  // Kind 272 names its keys differently; only its renderer is shared so far.
  if (type_ != ZV_TEMPLATE_SKIN) return FrameTemplate::load(path);
  error_ = kFrameOk;
  loaded_ = false;
  pieces_ = {};
  if (!path || !*path) {
    error_ = kFrameCannotOpen;
    return false;
  }
  char16_t file[kMaxPathUnits + 2] = {};
  zlvGetProfileString(u"skin", u"file", u"", file, kMaxPathUnits + 2, path);
  if (!file[0]) {
    error_ = kFrameBadHeader;
    return false;
  }
  const std::u16string skin = skinPicturePath(path, file);
  const std::string skin8 = zlv::toUtf8(skin);
  if (skin.empty() || skin.back() == u'/' || isFolder(skin8) || !isRegularFile(skin8)) {
    error_ = kFrameSkinMissing;
    return false;
  }
  Image& art = framePicture();
  if (!zelvo::load(art, skin.c_str(), 0) || !art.valid()) {
    art.destroyPixels();
    error_ = kFrameBadHeader;
    return false;
  }
  for (int i = 0; i < kPieceCount; ++i) pieces_[size_t(i)] = readPair(kPieceKeys[i].section, kPieceKeys[i].key, path);
  skinPath_ = skin;
  loaded_ = true;
  return true;
}

void SkinFrame::reset() {
  skinPath_.clear();
  outW_ = outH_ = 0;
  pieces_ = {};
  commonReset();
}

namespace {

struct Layer {
  Image& target;
  Image& source;
  int32_t op;
  bool srcAlpha;

  // Lays the source rectangle {l, t, l + w, t + h} at (x, y); rectangles that end at or
  // left of 0 would mean "whole source", so they are skipped.
  void lay(int64_t l, int64_t t, int64_t w, int64_t h, int64_t x, int64_t y) const {
    const int64_t r = l + w, b = t + h;
    if (w <= 0 || h <= 0 || r <= 0 || b <= 0) return;
    auto fit = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    target.blendLayer(source, op, ZvRect{fit(l), fit(t), fit(r), fit(b)}, ZvPoint{fit(x), fit(y)}, srcAlpha, true);
  }
};

// The first position of an edge run that is not wholly left of (or above) the output.
int64_t firstVisible(int64_t from, int64_t step) {
  return from < 0 ? from + (-from / step) * step : from;
}

}  // namespace

bool SkinFrame::render(Image& target) {
  error_ = kFrameOk;
  if (!loaded_) {
    error_ = kFrameNotLoaded;
    return false;
  }
  ZvRect* cropPtr = nullptr;
  Image* photo = getPhoto(0, &cropPtr);
  if (!photo || !photo->valid() || !cropPtr) {
    error_ = kFrameNoPhoto;
    return false;
  }
  ZvRect& crop = *cropPtr;
  if (crop.right == 0) crop = ZvRect{0, 0, photo->width(), photo->height()};

  const auto& P = pieces_;
  const int64_t ow = int64_t(crop.right) - crop.left + P[kExtraSpace].w;
  const int64_t oh = int64_t(crop.bottom) - crop.top + P[kExtraSpace].h;
  if (ow <= 0 || oh <= 0 || ow > INT32_MAX || oh > INT32_MAX || !target.create(uint32_t(ow), uint32_t(oh), 24, 0) ||
      !target.valid()) {
    error_ = kFrameNoOutput;
    return false;
  }
  // Fresh pixels are not cleared; whatever the pieces leave open is white.
  std::memset(target.bits(), 255, size_t(target.stride()) * size_t(oh));

  Image& skin = framePicture();
  const bool alphaVariant = alphaFlag_ && skin.alpha != nullptr;
  if (alphaVariant) target.allocAlpha(0);
  const Layer pieces{target, skin, 7, alphaVariant};
  const int64_t sw = skin.width(), sh = skin.height();
  auto on = [&](SkinPiece p) { return P[p].w > 0 && P[p].h > 0; };
  const PieceSize ul = P[kUpLeft], um = P[kUpMid], ur = P[kUpRight], cl = P[kCtLeft], cr = P[kCtRight],
                  bl = P[kBtLeft], bm = P[kBtMid], br = P[kBtRight];

  // Edges first; each test comes before its tile, so the last may run under the corner.
  if (on(kUpMid))
    for (int64_t x = firstVisible(ul.w, um.w); x + ur.w < ow; x += um.w) pieces.lay(ul.w, 0, um.w, um.h, x, 0);
  if (on(kBtMid))
    for (int64_t x = firstVisible(bl.w, bm.w); x + br.w < ow; x += bm.w)
      pieces.lay(bl.w, sh - bm.h, bm.w, bm.h, x, oh - bm.h);
  if (on(kCtLeft))
    for (int64_t y = firstVisible(ul.h, cl.h); y + bl.h < oh; y += cl.h) pieces.lay(0, ul.h, cl.w, cl.h, 0, y);
  if (on(kCtRight))
    for (int64_t y = firstVisible(ur.h, cr.h); y + br.h < oh; y += cr.h)
      pieces.lay(sw - cr.w, ur.h, cr.w, cr.h, ow - cr.w, y);
  if (on(kUpLeft)) pieces.lay(0, 0, ul.w, ul.h, 0, 0);
  if (on(kUpRight)) pieces.lay(sw - ur.w, 0, ur.w, ur.h, ow - ur.w, 0);
  if (on(kBtLeft)) pieces.lay(0, sh - bl.h, bl.w, bl.h, 0, oh - bl.h);
  if (on(kBtRight)) pieces.lay(sw - br.w, sh - br.h, br.w, br.h, ow - br.w, oh - br.h);

  const Layer photoLayer{target, *photo, alphaVariant ? 12 : 7, false};
  photoLayer.lay(crop.left, crop.top, int64_t(crop.right) - crop.left, int64_t(crop.bottom) - crop.top,
                 P[kDrawPoint].w, P[kDrawPoint].h);

  target.setType(photo->info.type);
  target.alpha.reset();
  outW_ = target.width();
  outH_ = target.height();
  return target.valid();
}

}  // namespace zelvo
