#include "GifCollector.h"

#include "ImageCalls.h"
#include "SetMgr.h"

GifCollector& GifCollector::Instance() {
  static GifCollector collector;
  return collector;
}

void GifCollector::Reset(const std::vector<int>& frameIndexes) {
  std::map<int, ImageOwner> fresh;
  for (int index : frameIndexes) fresh.emplace(index, ImageOwner{});
  std::lock_guard guard(lock_);
  frames_.swap(fresh);
}

bool GifCollector::AddFrame(int index, ImageOwner picture) {
  if (!zv::Valid(picture.get())) return false;
  {
    std::lock_guard guard(lock_);
    auto place = frames_.find(index);
    if (place == frames_.end() || place->second) return false;
  }
  // The reduction runs outside the lock: the other worker keeps going meanwhile.
  ZvImage* p = picture.get();
  p->ops->DecreaseBpp(p, 8, true, nullptr, 0);
  p->ops->SetFrameDelay(p, uint32_t(CSetMgr::Instance().nGIFSpeed() / 10));
  std::lock_guard guard(lock_);
  auto place = frames_.find(index);
  if (place == frames_.end() || place->second) return false;
  place->second = std::move(picture);
  return true;
}

int GifCollector::FrameCount() const {
  std::lock_guard guard(lock_);
  return int(frames_.size());
}

int GifCollector::FilledCount() const {
  std::lock_guard guard(lock_);
  int filled = 0;
  for (const auto& [index, frame] : frames_) filled += frame ? 1 : 0;
  return filled;
}

bool GifCollector::SaveAnimation(const QString& path, QString* error) {
  std::lock_guard guard(lock_);
  std::vector<ZvImage*> filled;
  for (const auto& [index, frame] : frames_)
    if (frame) filled.push_back(frame.get());
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (filled.empty()) return fail(QStringLiteral("no picture made it into the animation"));
  const auto* file = reinterpret_cast<const char16_t*>(path.utf16());
  // One picture is written as it is: an animation needs two frames.
  if (filled.size() == 1) {
    ZvImage* only = filled.front();
    return only->ops->Save(only, file, ZV_TYPE_GIF) || fail(zv::LastError(only));
  }
  ImageOwner animation = NewImage();
  if (!animation) return fail(QStringLiteral("the engine made no image object"));
  ZvImage* a = animation.get();
  if (!a->ops->Create(a, 1, 1, 24, 0)) return fail(zv::LastError(a));
  a->ops->SetLoadAllFrames(a, true);
  if (!a->ops->CreateFrames(a, uint32_t(filled.size()), 100)) return fail(zv::LastError(a));
  for (size_t n = 0; n < filled.size(); ++n) {
    ZvImage* frame = a->ops->GetFrame(a, int32_t(n));
    if (!frame) return fail(QStringLiteral("the animation lost frame %1").arg(n));
    frame->ops->Copy(frame, filled[n], true, true, true, false);
  }
  a->ops->DecreaseBpp(a, 8, true, nullptr, 0);
  if (!a->ops->Save(a, file, ZV_TYPE_GIF)) return fail(zv::LastError(a));
  return true;
}

void GifCollector::ReleaseAnimation() {
  std::lock_guard guard(lock_);
  frames_.clear();
}
