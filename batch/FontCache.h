// The process-wide cache of watermark fonts, keyed by (face, size, bold, italic, underline).
// Shared by both export workers and the preview thread.
#pragma once

#include <QFont>
#include <QString>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

struct MarkFontKey {
  QString face;
  int size = 0;  // em size in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool operator<(const MarkFontKey& o) const {
    return std::tie(face, size, bold, italic, underline) < std::tie(o.face, o.size, o.bold, o.italic, o.underline);
  }
};

// A resolved watermark font. Immutable once cached; threads share it by pointer.
struct MarkFont {
  MarkFontKey key;
  QString family;        // the installed family the text is drawn with
  bool faceKnown = false;  // false: the face is not installed, draw glyph outlines of `family`
  // A fresh QFont for the calling thread. QFont copies share engine caches that are not safe to
  // touch from two threads, so every user gets its own.
  QFont MakeFont() const;
};

class FontCache {
 public:
  static FontCache& Instance();
  // The font for `key`, resolved on first use and kept until the process ends.
  std::shared_ptr<const MarkFont> Get(const MarkFontKey& key);
  size_t Size() const;

 private:
  mutable std::mutex lock_;
  std::map<MarkFontKey, std::shared_ptr<const MarkFont>> fonts_;
};
