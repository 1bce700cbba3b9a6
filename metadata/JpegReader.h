// The program's own JPEG section reader and EXIF parser: reads the metadata sections at the
// head of a JPEG (never the compressed picture unless asked) and finds the embedded EXIF
// thumbnail. Prints nothing; every failure leaves its text in lastError(). One reader per call
// site and thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class QIODevice;

enum JpegReadFlags : int {
  JpegReadExif = 1,       // parse the APP1 "Exif" section, keep the first comment
  JpegReadImageData = 2,  // also read the compressed data after the start of scan
};

// One kept section: a copy of its bytes including the two length bytes.
struct JpegSection {
  std::vector<uint8_t> data;
  int marker = 0;
  uint32_t size = 0;
};

enum class ExifByteOrder { Intel, Motorola };

class JpegReader {
 public:
  static constexpr int kMaxSections = 20;
  static constexpr int kImageDataMarker = 0x123;  // the section holding everything after SOS
  static constexpr int kMaxDirectoryDepth = 5;
  // Real files have a handful of directories; the cap keeps hostile link fans bounded.
  static constexpr int kMaxDirectories = 64;
  // The data after the scan start is read only with JpegReadImageData; bounded all the same.
  static constexpr int64_t kMaxImageData = int64_t(1) << 30;

  // Reads sections from the stream's current position; the position is put back afterwards.
  bool ReadJpegSections(QIODevice& stream, int flags);
  // Parses an EXIF block (the APP1 payload, starting with "Exif\0\0"). The thumbnail found
  // points into this block, which must outlive its use.
  bool ParseExif(std::span<const uint8_t> block);

  const std::string& lastError() const { return lastError_; }
  const std::vector<JpegSection>& sections() const { return sections_; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool isColor() const { return isColor_; }
  // Result of the last ParseExif made while reading sections (false when none was made).
  bool exifParsed() const { return exifParsed_; }
  ExifByteOrder byteOrder() const { return motorola_ ? ExifByteOrder::Motorola : ExifByteOrder::Intel; }
  // The embedded thumbnail's bytes inside the parsed block; empty when there is none.
  std::span<const uint8_t> thumbnail() const { return thumbnail_; }

 private:
  bool fail(const char* text);
  bool readSections(QIODevice& stream, int flags);
  bool readImageData(QIODevice& stream);
  bool walkDirectory(uint32_t offset, int depth);
  uint16_t get16(uint32_t offset) const;
  uint32_t get32(uint32_t offset) const;
  int64_t getNumber(uint32_t offset, uint16_t format) const;

  std::vector<JpegSection> sections_;
  std::string lastError_;
  int width_ = 0;
  int height_ = 0;
  bool isColor_ = false;
  bool exifParsed_ = false;
  bool haveComment_ = false;

  // EXIF parsing state: the TIFF block (offsets count from its start) and the thumbnail.
  std::span<const uint8_t> tiff_;
  bool motorola_ = false;
  int directoriesWalked_ = 0;
  std::span<const uint8_t> thumbnail_;
};
