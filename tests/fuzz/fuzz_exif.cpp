// The program's JPEG section reader and EXIF parser over hostile bytes. First byte: bit 0
// selects the input kind (0: an APP1 "Exif" payload for ParseExif, 1: a JPEG stream for
// ReadJpegSections), bits 1-2 the section flags. Every thumbnail byte found is touched, so
// that a span reaching outside the block is caught by the sanitizers.
#include <QBuffer>
#include <QByteArray>

#include <cstdlib>

#include "JpegReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 24)) return 0;
  const uint8_t mode = data[0];
  ++data, --size;
  JpegReader reader;
  if (mode & 1) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const bool ok = reader.ReadJpegSections(buffer, (mode >> 1) & 3);
    if (buffer.pos() != 0) std::abort();  // the position must be put back
    if (reader.sections().size() > size_t(JpegReader::kMaxSections) + 1) std::abort();
    (void)ok;
  } else {
    reader.ParseExif({data, size});
  }
  uint32_t sum = 0;
  for (uint8_t b : reader.thumbnail()) sum += b;
  volatile uint32_t sink = sum;
  (void)sink;
  return 0;
}
