#include "JpegReader.h"

#include <QIODevice>

namespace {

constexpr int kMaxPadding = 6;  // 0xFF bytes in a row before a marker, the marker's own included

bool isStartOfFrame(int marker) {
  switch (marker) {
    case 0xC0: case 0xC1: case 0xC2: case 0xC3:
    case 0xC5: case 0xC6: case 0xC7:
    case 0xC9: case 0xCA: case 0xCB:
    case 0xCD: case 0xCE: case 0xCF:
      return true;
    default:
      return false;
  }
}

// -1 at end of data.
int nextByte(QIODevice& stream) {
  char c;
  return stream.getChar(&c) ? uint8_t(c) : -1;
}

}  // namespace

bool JpegReader::fail(const char* text) {
  lastError_ = text;
  return false;
}

bool JpegReader::ReadJpegSections(QIODevice& stream, int flags) {
  const qint64 start = stream.pos();
  const bool ok = readSections(stream, flags);
  if (!stream.isSequential()) stream.seek(start);
  return ok;
}

bool JpegReader::readSections(QIODevice& stream, int flags) {
  sections_.clear();
  lastError_.clear();
  width_ = height_ = 0;
  isColor_ = exifParsed_ = haveComment_ = false;
  thumbnail_ = {};

  if (nextByte(stream) != 0xFF || nextByte(stream) != 0xD8) return fail("Not a JPEG file");

  for (;;) {
    if (sections_.size() >= size_t(kMaxSections)) return fail("Too many sections in jpg file");

    int marker = 0;
    for (int run = 0;; ++run) {
      marker = nextByte(stream);
      if (marker != 0xFF) break;
      if (run >= kMaxPadding) return fail("too many padding bytes");
    }
    if (marker < 0) return fail("invalid marker");
    // The end-of-image marker has no length; reading one past it would report the wrong fault.
    if (marker == 0xD9) return fail("No image in jpeg!");

    const int high = nextByte(stream);
    const int low = nextByte(stream);
    if (high < 0 || low < 0) return fail("invalid marker");
    const uint32_t length = uint32_t(high) << 8 | uint32_t(low);
    if (length < 2) return fail("invalid marker");

    JpegSection section;
    section.marker = marker;
    section.size = length;
    section.data.resize(length);  // at most 65535 bytes
    section.data[0] = uint8_t(high);
    section.data[1] = uint8_t(low);
    const qint64 want = qint64(length) - 2;
    if (want > 0 && stream.read(reinterpret_cast<char*>(section.data.data()) + 2, want) != want)
      return fail("Premature end of file?");

    if (isStartOfFrame(marker)) {
      if (length >= 8) {
        height_ = section.data[3] << 8 | section.data[4];
        width_ = section.data[5] << 8 | section.data[6];
        isColor_ = section.data[7] == 3;
      }
      sections_.push_back(std::move(section));
      continue;
    }
    switch (marker) {
      case 0xDA:
        sections_.push_back(std::move(section));
        if (flags & JpegReadImageData) readImageData(stream);
        return true;
      case 0xE0:
        break;
      case 0xE1: {
        static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f'};
        const bool isExif = length >= 6 && std::equal(kExif, kExif + 4, section.data.begin() + 2);
        if ((flags & JpegReadExif) && isExif) {
          sections_.push_back(std::move(section));
          // The moved vector keeps its buffer, so the thumbnail span stays valid.
          exifParsed_ = ParseExif(std::span(sections_.back().data).subspan(2));
        }
        break;
      }
      case 0xFE:
        if ((flags & JpegReadExif) && !haveComment_) {
          haveComment_ = true;
          sections_.push_back(std::move(section));
        }
        break;
      default:
        sections_.push_back(std::move(section));
        break;
    }
  }
}

bool JpegReader::readImageData(QIODevice& stream) {
  // Sized from the device when it knows its size; read in pieces otherwise.
  const qint64 left = stream.isSequential() ? -1 : stream.size() - stream.pos();
  if (left > kMaxImageData) return fail("could not allocate data for entire image");
  JpegSection section;
  section.marker = kImageDataMarker;
  if (left >= 0) {
    section.data.resize(size_t(left));
    if (left > 0 && stream.read(reinterpret_cast<char*>(section.data.data()), left) != left)
      return fail("could not read the rest of the image");
  } else {
    char piece[65536];
    for (qint64 n; (n = stream.read(piece, sizeof piece)) > 0;) {
      if (int64_t(section.data.size()) + n > kMaxImageData)
        return fail("could not allocate data for entire image");
      section.data.insert(section.data.end(), piece, piece + n);
    }
  }
  section.size = uint32_t(section.data.size());
  sections_.push_back(std::move(section));
  return true;
}
