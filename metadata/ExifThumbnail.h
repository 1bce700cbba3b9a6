// Embedded EXIF thumbnails for the picture list's thumbnail worker: the bytes of the small
// picture a camera stores in its JPEG (or raw/TIFF) file, with the orientation when the EXIF
// helper library reports one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include <QString>

enum class ThumbnailKind {
  Jpeg = 1,  // compressed: decode with type 3 (JPEG), then OrientUpright
  Pnm = 2,   // uncompressed binary portable anymap: decode with type 14; only from raw/TIFF
};

// Owns the thumbnail bytes and releases them the way they were allocated: through the helper
// library's fnFreeMem when they came from it, with free() when the program's reader made them.
class ExifThumbnail {
 public:
  using Release = void (*)(void*);

  ExifThumbnail(uint8_t* data, uint32_t size, ThumbnailKind kind, int orientation, Release release)
      : data_(data, Deleter{release}), size_(size), kind_(kind), orientation_(orientation) {}
  // A copy of bytes made with the program's own allocator; empty data when that fails.
  static std::optional<ExifThumbnail> Copy(std::span<const uint8_t> bytes, int orientation = 0);

  const uint8_t* data() const { return data_.get(); }
  uint32_t size() const { return size_; }
  std::span<const uint8_t> bytes() const { return {data_.get(), size_}; }
  ThumbnailKind kind() const { return kind_; }
  bool compressed() const { return kind_ == ThumbnailKind::Jpeg; }
  // EXIF orientation 1..8, or 0 when not known (the program's own reader never knows it).
  int orientation() const { return orientation_; }

 private:
  struct Deleter {
    Release release;
    void operator()(uint8_t* p) const { release(p); }
  };
  std::unique_ptr<uint8_t, Deleter> data_;
  uint32_t size_;
  ThumbnailKind kind_;
  int orientation_;
};

// For pictures whose header says JPEG: the helper library's fnGetExif when it can be bound,
// otherwise the program's own reader (which reads only the metadata at the head of the file).
// Nothing when the file cannot be read or holds no thumbnail.
std::optional<ExifThumbnail> ReadExifThumbnail(const QString& path);

// For camera-raw and TIFF pictures: only through the helper library's fnGetExif2.
std::optional<ExifThumbnail> ReadExifThumbnailRawTiff(const QString& path);

// The program's own reader alone (the helper library is not asked).
std::optional<ExifThumbnail> ReadOwnExifThumbnail(const QString& path);
