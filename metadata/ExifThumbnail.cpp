#include "ExifThumbnail.h"

#include <cstdlib>
#include <cstring>

#include <QFile>

#include "ExifHelper.h"
#include "JpegReader.h"

std::optional<ExifThumbnail> ExifThumbnail::Copy(std::span<const uint8_t> bytes, int orientation) {
  if (bytes.empty() || bytes.size() > UINT32_MAX) return std::nullopt;
  auto* copy = static_cast<uint8_t*>(std::malloc(bytes.size()));
  if (!copy) return std::nullopt;
  std::memcpy(copy, bytes.data(), bytes.size());
  return ExifThumbnail(copy, uint32_t(bytes.size()), ThumbnailKind::Jpeg, orientation,
                       [](void* p) { std::free(p); });
}

std::optional<ExifThumbnail> ReadOwnExifThumbnail(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  JpegReader reader;
  reader.ReadJpegSections(file, JpegReadExif);
  if (!reader.exifParsed() || reader.thumbnail().empty()) return std::nullopt;
  return ExifThumbnail::Copy(reader.thumbnail());
}

std::optional<ExifThumbnail> ReadExifThumbnail(const QString& path) {
  if (ExifHelper::BindJpegSet()) return ExifHelper::GetExif(path);
  return ReadOwnExifThumbnail(path);
}

std::optional<ExifThumbnail> ReadExifThumbnailRawTiff(const QString& path) {
  if (!ExifHelper::BindRawTiffSet()) return std::nullopt;
  return ExifHelper::GetExif2(path);
}
