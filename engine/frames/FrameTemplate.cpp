// Common frame-template behaviour and the C operation table shared by every kind.
#include "FrameTemplate.h"

#include <algorithm>

#include "FrameManager.h"

namespace zelvo {

FrameTemplate::FrameTemplate(uint32_t type) : type_(type), picture_(Image::make()) {
  ops = frameOps();
}

bool FrameTemplate::load(const char16_t*) {
  error_ = kFrameCannotOpen;
  loaded_ = false;
  return false;
}

bool FrameTemplate::render(Image&) {
  error_ = loaded_ ? kFrameCannotOpen : kFrameNotLoaded;
  return false;
}

void FrameTemplate::commonReset() {
  clearAllPhotos();
  text1_.fill(0);
  text2_.fill(0);
  picture_->destroyFrames();
  picture_->destroyPixels();
  loaded_ = false;
}

void FrameTemplate::reset() { commonReset(); }

int32_t FrameTemplate::width() const { return picture_->valid() ? picture_->width() : 0; }
int32_t FrameTemplate::height() const { return picture_->valid() ? picture_->height() : 0; }

int32_t FrameTemplate::windowAt(int32_t x, int32_t y, ZvRect* out) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return -1;
  if (out) *out = wholeFrame();
  return 0;
}

bool FrameTemplate::windowRect(int32_t index, ZvRect* out) const {
  if (index != 0) return false;
  if (out) *out = wholeFrame();
  return true;
}

int32_t FrameTemplate::addPhoto(const ZvPhotoEntry& entry) {
  for (int i = 0; i < kPhotoPlaces; ++i) {
    if (!photos_[i].picture) {
      photos_[i] = entry;
      return i;
    }
  }
  return -1;
}

bool FrameTemplate::clearPhoto(int32_t index) {
  if (index < 0 || index >= kPhotoPlaces) return false;
  photos_[index].picture = nullptr;
  photos_[index].crop.right = 0;
  return true;
}

void FrameTemplate::clearAllPhotos() {
  for (int i = 0; i < kPhotoPlaces; ++i) clearPhoto(i);
}

Image* FrameTemplate::getPhoto(int32_t index, ZvRect** rect) {
  if (index < 0 || index >= kPhotoPlaces) {
    if (rect) *rect = nullptr;
    return nullptr;
  }
  if (rect) *rect = &photos_[index].crop;
  if (photos_[index].picture) return Image::from(photos_[index].picture);
  const ZvPhotoEntry* last = lastPhotoPlace();
  return last ? Image::from(last->picture) : nullptr;
}

ZvPhotoEntry* FrameTemplate::photoPlace(int32_t index) {
  return index >= 0 && index < kPhotoPlaces ? &photos_[index] : nullptr;
}

ZvPhotoEntry* FrameTemplate::lastPhotoPlace() {
  for (int i = kPhotoPlaces - 1; i >= 0; --i)
    if (photos_[i].picture) return &photos_[i];
  return nullptr;
}

bool FrameTemplate::setPhoto(int32_t index, const ZvPhotoEntry& entry) {
  if (index < 0 || index >= kPhotoPlaces) return false;
  photos_[index] = entry;
  return true;
}

int32_t FrameTemplate::photoCount() const {
  return int32_t(std::count_if(photos_.begin(), photos_.end(),
                               [](const ZvPhotoEntry& e) { return e.picture != nullptr; }));
}

namespace {

FrameTemplate* self(ZvFrameTemplate* t) { return FrameTemplate::from(t); }

const ZvPhotoEntry kNoPhoto{nullptr, {0, 0, 0, 0}};

ZvFrameOps buildFrameOps() {
  ZvFrameOps ops{};
  ops.Destroy = [](ZvFrameTemplate* t, bool freeMemory) {
    // Templates are only ever heap objects made by CreateTemplate; the manager is static.
    if (freeMemory && self(t)->type() != 0) delete self(t);
  };
  // Load and Render allocate: out of memory is a failure, never an exception for the caller.
  ops.Load = [](ZvFrameTemplate* t, const char16_t* path) {
    try {
      return self(t)->load(path ? path : u"");
    } catch (...) {
      return false;
    }
  };
  ops.Render = [](ZvFrameTemplate* t, ZvImage* target) {
    try {
      return target && self(t)->render(*Image::from(target));
    } catch (...) {
      return false;
    }
  };
  ops.Reset = [](ZvFrameTemplate* t) { self(t)->reset(); };
  ops.Width = [](ZvFrameTemplate* t) { return self(t)->width(); };
  ops.Height = [](ZvFrameTemplate* t) { return self(t)->height(); };
  ops.WindowAt = [](ZvFrameTemplate* t, int32_t x, int32_t y, ZvRect* out) {
    return self(t)->windowAt(x, y, out);
  };
  ops.WindowRect = [](ZvFrameTemplate* t, int32_t index, ZvRect* out) {
    return self(t)->windowRect(index, out);
  };
  ops.FramePicture = [](ZvFrameTemplate* t) -> ZvImage* { return &self(t)->framePicture(); };
  ops.IsReady = [](ZvFrameTemplate* t) { return self(t)->isReady(); };
  ops.GetType = [](ZvFrameTemplate* t) { return self(t)->type(); };
  ops.GetLastError = [](ZvFrameTemplate* t) { return self(t)->lastError(); };
  ops.Text1 = [](ZvFrameTemplate* t) { return self(t)->text1(); };
  ops.Text2 = [](ZvFrameTemplate* t) { return self(t)->text2(); };
  ops.AddPhoto = [](ZvFrameTemplate* t, const ZvPhotoEntry* e) {
    return self(t)->addPhoto(e ? *e : kNoPhoto);
  };
  ops.ClearPhoto = [](ZvFrameTemplate* t, int32_t i) { return self(t)->clearPhoto(i); };
  ops.ClearAllPhotos = [](ZvFrameTemplate* t) { self(t)->clearAllPhotos(); };
  ops.GetPhoto = [](ZvFrameTemplate* t, int32_t i, ZvRect** rect) -> ZvImage* {
    return self(t)->getPhoto(i, rect);
  };
  ops.PhotoPlace = [](ZvFrameTemplate* t, int32_t i) { return self(t)->photoPlace(i); };
  ops.LastPhotoPlace = [](ZvFrameTemplate* t) { return self(t)->lastPhotoPlace(); };
  ops.SetPhoto = [](ZvFrameTemplate* t, int32_t i, const ZvPhotoEntry* e) {
    return self(t)->setPhoto(i, e ? *e : kNoPhoto);
  };
  ops.PhotoCount = [](ZvFrameTemplate* t) { return self(t)->photoCount(); };
  ops.WindowCount = [](ZvFrameTemplate* t) { return self(t)->windowCount(); };
  ops.SetValue64 = [](ZvFrameTemplate* t, uint32_t lo, uint32_t hi) { self(t)->setValue64(lo, hi); };
  ops.ClearValue64 = [](ZvFrameTemplate* t) { self(t)->clearValue64(); };
  ops.TypeFromExtension = [](ZvFrameTemplate*, const char16_t* ext) {
    return templateTypeFromExtension(ext);
  };
  ops.CreateTemplate = [](ZvFrameTemplate*, uint32_t type) { return createTemplate(type); };
  ops.DestroyTemplate = [](ZvFrameTemplate*, ZvFrameTemplate* t) {
    if (t) t->ops->Destroy(t, true);
  };
  return ops;
}

}  // namespace

const ZvFrameOps* frameOps() {
  static const ZvFrameOps table = buildFrameOps();
  return &table;
}

}  // namespace zelvo
