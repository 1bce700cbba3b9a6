#include "FontCache.h"

#include "FontFaceMap.h"

QFont MarkFont::MakeFont() const {
  QFont f(family);
  f.setPixelSize(key.size > 0 ? key.size : 1);
  f.setBold(key.bold);
  f.setItalic(key.italic);
  f.setUnderline(key.underline);
  f.setKerning(true);
  // Outlines as designed: the mark is a filled path, not hinted screen text.
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setStyleStrategy(QFont::PreferOutline);
  return f;
}

FontCache& FontCache::Instance() {
  static FontCache cache;
  return cache;
}

std::shared_ptr<const MarkFont> FontCache::Get(const MarkFontKey& key) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
  }
  // Resolve outside the lock: the font database may take a while, and two threads resolving
  // the same key get the same answer (the first one stored wins).
  auto font = std::make_shared<MarkFont>();
  font->key = key;
  font->family = InstalledFamilyFor(key.face);
  font->faceKnown = !font->family.isEmpty();
  if (!font->faceKnown) font->family = SubstituteFamily();
  std::lock_guard<std::mutex> hold(lock_);
  return fonts_.emplace(key, std::move(font)).first->second;
}

size_t FontCache::Size() const {
  std::lock_guard<std::mutex> hold(lock_);
  return fonts_.size();
}
