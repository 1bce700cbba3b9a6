// The program's own JPEG section reader and EXIF parser on hand-assembled input: every marker
// rule and limit, both byte orders, and hostile offsets, counts and links. Nothing may be
// printed and nothing read outside the block (the ASan build checks the latter).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>

#include <chrono>
#include <string>

#include "JpegReader.h"
#include "exif_builder.h"

namespace {

using Entry = TiffBlock::Entry;

struct ReadResult {
  bool ok;
  std::string error;
  std::vector<int> markers;
  Bytes thumbnail;
  qint64 positionAfter;
};

ReadResult readSections(const Bytes& bytes, int flags, JpegReader* keep = nullptr) {
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  JpegReader local;
  JpegReader& reader = keep ? *keep : local;
  testing::internal::CaptureStdout();
  ReadResult r;
  r.ok = reader.ReadJpegSections(buffer, flags);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  r.error = reader.lastError();
  for (const JpegSection& s : reader.sections()) r.markers.push_back(s.marker);
  r.thumbnail.assign(reader.thumbnail().begin(), reader.thumbnail().end());
  r.positionAfter = buffer.pos();
  return r;
}

struct ParseResult {
  bool ok;
  std::string error;
  Bytes thumbnail;
};

ParseResult parse(const Bytes& block) {
  JpegReader reader;
  testing::internal::CaptureStdout();
  ParseResult r{reader.ParseExif(block), reader.lastError(), {}};
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  r.thumbnail.assign(reader.thumbnail().begin(), reader.thumbnail().end());
  return r;
}

Bytes repeat(size_t n, uint8_t v) { return Bytes(n, v); }

// ---------------------------------------------------------------------------------------------
// ReadJpegSections

TEST(ReadJpegSections, KeepsDropsAndParsesByMarkerAndFlags) {
  const Bytes jpeg = JpegStream()
                         .section(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0})
                         .section(0xE1, cameraBlock(true).exif())
                         .section(0xE1, {'h', 't', 't', 'p', ':', '/', '/'})  // XMP-like: never kept
                         .frame(0x0456, 0x0123)
                         .section(0xC4, {0, 1, 2, 3})
                         .section(0xFE, {'o', 'n', 'e'})
                         .section(0xFE, {'t', 'w', 'o'})
                         .scan({0x12, 0x34, 0x56})
                         .bytes();
  struct Case {
    int flags;
    std::vector<int> markers;
  } cases[] = {
      {0, {0xC0, 0xC4, 0xDA}},
      {JpegReadExif, {0xE1, 0xC0, 0xC4, 0xFE, 0xDA}},
      {JpegReadImageData, {0xC0, 0xC4, 0xDA, JpegReader::kImageDataMarker}},
      {JpegReadExif | JpegReadImageData, {0xE1, 0xC0, 0xC4, 0xFE, 0xDA, JpegReader::kImageDataMarker}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    JpegReader reader;
    const ReadResult r = readSections(jpeg, c.flags, &reader);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.markers, c.markers);
    EXPECT_EQ(reader.width(), 0x0456);
    EXPECT_EQ(reader.height(), 0x0123);
    EXPECT_TRUE(reader.isColor());
    EXPECT_EQ(reader.exifParsed(), (c.flags & JpegReadExif) != 0);
    EXPECT_EQ(r.thumbnail, (c.flags & JpegReadExif) ? kFakeThumbnail : Bytes{});
    if (c.flags & JpegReadExif) {
      EXPECT_EQ(reader.sections()[3].data, Bytes({0, 5, 'o', 'n', 'e'}));
    }
    if (c.flags & JpegReadImageData) {
      EXPECT_EQ(reader.sections().back().data, Bytes({0x12, 0x34, 0x56, 0xFF, 0xD9}));
    }
  }
}

TEST(ReadJpegSections, PutsTheStreamPositionBack) {
  Bytes bytes = {'j', 'u', 'n', 'k'};
  const Bytes jpeg = JpegStream().section(0xE1, cameraBlock(false).exif()).frame(8, 8).scan({1}).bytes();
  bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  JpegReader reader;
  for (int flags : {0, 1, 3}) {
    buffer.seek(4);
    EXPECT_TRUE(reader.ReadJpegSections(buffer, flags)) << reader.lastError();
    EXPECT_EQ(buffer.pos(), 4);
  }
  buffer.seek(1);  // not at a JPEG start: fails, position kept all the same
  EXPECT_FALSE(reader.ReadJpegSections(buffer, 1));
  EXPECT_EQ(buffer.pos(), 1);
}

TEST(ReadJpegSections, FailuresAndTheirTexts) {
  auto sections = [](int n, uint8_t marker) {
    JpegStream s;
    for (int i = 0; i < n; ++i) s.section(marker, {uint8_t(i)});
    return s;
  };
  struct Case {
    const char* what;
    Bytes bytes;
    bool ok;
    const char* error;
  } cases[] = {
      {"not a JPEG start", {0xFF, 0xD9, 0xFF, 0xD8}, false, "Not a JPEG file"},
      {"empty", {}, false, "Not a JPEG file"},
      {"six 0xFF before the marker", JpegStream().raw(repeat(5, 0xFF)).frame(1, 1).scan({}).bytes(), true, ""},
      {"seven 0xFF before the marker", JpegStream().raw(repeat(6, 0xFF)).frame(1, 1).scan({}).bytes(), false,
       "too many padding bytes"},
      {"19 kept sections then the scan", sections(19, 0xE2).scan({}).bytes(), true, ""},
      {"20 kept sections then more", sections(20, 0xE2).scan({}).bytes(), false, "Too many sections in jpg file"},
      {"dropped sections do not count", sections(40, 0xE0).scan({}).bytes(), true, ""},
      {"later comments are dropped", sections(40, 0xFE).scan({}).bytes(), true, ""},
      {"end of image before any scan", JpegStream().frame(1, 1).raw({0xFF, 0xD9}).bytes(), false,
       "No image in jpeg!"},
      {"length 0", JpegStream().raw({0xFF, 0xE2, 0, 0}).bytes(), false, "invalid marker"},
      {"length 1", JpegStream().raw({0xFF, 0xE2, 0, 1, 0}).bytes(), false, "invalid marker"},
      {"length 2 (empty section)", JpegStream().raw({0xFF, 0xE2, 0, 2}).frame(1, 1).scan({}).bytes(), true, ""},
      {"length 65535 present", JpegStream().section(0xE2, repeat(65533, 7)).scan({}).bytes(), true, ""},
      {"length 65535 cut short", JpegStream().raw({0xFF, 0xE2, 0xFF, 0xFF}).raw(repeat(1000, 7)).bytes(), false,
       "Premature end of file?"},
      {"end of data where a marker belongs", JpegStream().frame(1, 1).bytes(), false, "invalid marker"},
      {"end of data inside padding", JpegStream().raw({0xFF, 0xFF}).bytes(), false, "invalid marker"},
      {"end of data inside the length", JpegStream().raw({0xFF, 0xE2, 0}).bytes(), false, "invalid marker"},
      {"frame header shorter than its fields", JpegStream().section(0xC0, {8, 0}).scan({}).bytes(), true, ""},
      {"broken EXIF block still reads", JpegStream().section(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'X', 'X'}).scan({}).bytes(),
       true, "Invalid Exif alignment marker."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReadResult r = readSections(c.bytes, JpegReadExif | JpegReadImageData);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.error);
  }
}

TEST(ReadJpegSections, EveryTruncationFailsCleanlyUntilTheScanStarts) {
  const Bytes full = JpegStream()
                         .section(0xE0, {'J', 'F', 'I', 'F', 0})
                         .section(0xE1, cameraBlock(true).exif())
                         .frame(16, 16)
                         .section(0xFE, {'c'})
                         .scan({9, 9, 9})
                         .bytes();
  // The start-of-scan section ends 5 bytes before the end (3 data bytes, then FFD9).
  const size_t scanEnd = full.size() - 5;
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    const Bytes cut(full.begin(), full.begin() + n);
    const ReadResult r = readSections(cut, JpegReadExif | JpegReadImageData);
    EXPECT_EQ(r.ok, n >= scanEnd);
    if (!r.ok) {
      EXPECT_FALSE(r.error.empty());
    }
  }
}

// ---------------------------------------------------------------------------------------------
// ParseExif

TEST(ParseExif, FindsTheThumbnailInBothByteOrdersAndAnyIntegerFormat) {
  for (bool motorola : {false, true}) {
    SCOPED_TRACE(motorola);
    EXPECT_EQ(parse(cameraBlock(motorola).exif()).thumbnail, kFakeThumbnail);

    struct Formats {
      uint16_t offsetFormat, sizeFormat;
    } formats[] = {{3, 3}, {4, 1}, {9, 8}, {1, 6}};
    for (const Formats& f : formats) {
      TiffBlock t(motorola);
      t.directory(8, {{0x0201, f.offsetFormat, 1, 40}, {0x0202, f.sizeFormat, 1, 10}});
      t.bytes(40, kFakeThumbnail);
      const ParseResult r = parse(t.exif());
      EXPECT_TRUE(r.ok) << r.error;
      EXPECT_EQ(r.thumbnail, kFakeThumbnail) << f.offsetFormat << "/" << f.sizeFormat;
    }
  }
}

TEST(ParseExif, ThumbnailInTheExifSubdirectoryAndAtTheFirstDirectoryOffset) {
  TiffBlock t(true, 100);
  t.directory(8, {{0x8769, 4, 1, 30}});
  t.directory(30, {{0x0201, 4, 1, 200}, {0x0202, 4, 1, 10}});
  t.directory(100, {{0x0112, 3, 1, 1}});
  t.bytes(200, kFakeThumbnail);
  EXPECT_EQ(parse(t.exif()).thumbnail, kFakeThumbnail);

  TiffBlock atFirst(false, 100);
  atFirst.directory(8, {{0x0112, 3, 1, 1}});
  atFirst.directory(100, {{0x0201, 4, 1, 200}, {0x0202, 4, 1, 10}});
  atFirst.bytes(200, kFakeThumbnail);
  EXPECT_EQ(parse(atFirst.exif()).thumbnail, kFakeThumbnail);
}

TEST(ParseExif, ThumbnailOutsideTheBlockIsNoneWithoutFailing) {
  struct Case {
    const char* what;
    uint32_t offset, size;
  } cases[] = {
      {"runs one byte past the end", 60, 11},
      {"offset past the end", 5000, 10},
      {"offset 0xFFFFFFFF (would wrap)", 0xFFFFFFFF, 16},
      {"size 0xFFFFFFFF", 60, 0xFFFFFFFF},
      {"offset 0", 0, 10},
      {"size 0", 60, 0},
  };
  for (bool motorola : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      TiffBlock t(motorola);
      t.directory(8, {{0x0112, 3, 1, 1}}, 26);
      t.directory(26, {{0x0201, 4, 1, c.offset}, {0x0202, 4, 1, c.size}});
      t.bytes(60, kFakeThumbnail);
      const ParseResult r = parse(t.exif());
      EXPECT_TRUE(r.ok) << r.error;
      EXPECT_TRUE(r.thumbnail.empty());
    }
}

TEST(ParseExif, HostileBlocksFailWithTheirTexts) {
  auto block = [](auto&& build) {
    TiffBlock t(false);
    build(t);
    return t.exif();
  };
  const Bytes thumbOk = cameraBlock(false).exif();
  struct Case {
    const char* what;
    Bytes exif;
    const char* error;
  } cases[] = {
      {"no Exif header", {'E', 'x', 'i', 'f', 0, 1, 'I', 'I', 42, 0, 8, 0, 0, 0}, "Incorrect Exif header"},
      {"shorter than the header", {'E', 'x', 'i'}, "Incorrect Exif header"},
      {"header only", {'E', 'x', 'i', 'f', 0, 0}, "Invalid Exif alignment marker."},
      {"unknown byte order", {'E', 'x', 'i', 'f', 0, 0, 'I', 'M', 42, 0, 8, 0, 0, 0}, "Invalid Exif alignment marker."},
      {"not 42", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 43, 0, 8, 0, 0, 0}, "Invalid Exif start (1)"},
      {"no room for the first directory", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0},
       "Illegally sized directory"},
      {"65535 entries", block([](TiffBlock& t) { t.put16(8, 0xFFFF), t.resize(400); }), "Illegally sized directory"},
      {"first directory at 0xFFFFFFFF",
       block([](TiffBlock& t) { t.put32(4, 0xFFFFFFFF), t.directory(8, {{0x0112, 3, 1, 1}}); }),
       "Illegally sized directory"},
      {"format 13", block([](TiffBlock& t) { t.directory(8, {{0x0112, 13, 1, 1}}); }),
       "Illegal format code in EXIF dir"},
      {"value offset 0xFFFFFFFF", block([](TiffBlock& t) { t.directory(8, {{0x010F, 2, 20, 0xFFFFFFFF}}); }),
       "Illegal pointer offset value in EXIF."},
      {"count x size overflows 32 bits", block([](TiffBlock& t) { t.directory(8, {{0x010F, 12, 0x40000000, 8}}); }),
       "Illegal pointer offset value in EXIF."},
      {"value runs past the end", block([](TiffBlock& t) { t.directory(8, {{0x010F, 2, 20, 20}}); }),
       "Illegal pointer offset value in EXIF."},
      {"EXIF sub-directory at 0xFFFFFFFF", block([](TiffBlock& t) { t.directory(8, {{0x8769, 4, 1, 0xFFFFFFFF}}); }),
       "Illegal subdirectory link"},
      {"interoperability sub-directory past the end", block([](TiffBlock& t) { t.directory(8, {{0xA005, 4, 1, 500}}); }),
       "Illegal subdirectory link"},
      {"next directory at 0xFFFFFFFF", block([](TiffBlock& t) { t.directory(8, {{0x0112, 3, 1, 1}}, 0xFFFFFFFF); }),
       "Illegal subdirectory link"},
      {"next directory links to itself", block([](TiffBlock& t) { t.directory(8, {{0x0112, 3, 1, 1}}, 8); }),
       "Maximum directory nesting exceeded (corrupt exif header)"},
      {"two directories link to each other",
       block([](TiffBlock& t) {
         t.directory(8, {}, 40), t.directory(40, {{0x8769, 4, 1, 60}}), t.directory(60, {}, 40);
       }),
       "Maximum directory nesting exceeded (corrupt exif header)"},
      {"sub-directory chain six deep", block([](TiffBlock& t) {
         for (uint32_t i = 0; i < 6; ++i) t.directory(8 + 20 * i, {{0x8769, 4, 1, 8 + 20 * (i + 1)}});
         t.directory(8 + 20 * 6, {});
       }),
       "Maximum directory nesting exceeded (corrupt exif header)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ParseResult r = parse(c.exif);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(r.thumbnail.empty());
  }
  EXPECT_TRUE(parse(thumbOk).ok);
}

TEST(ParseExif, LinksBelowNineAndChainsWithinTheDepthLimitAreFine) {
  TiffBlock t(true);
  // Sub-directory values below 9 are not links; a chain of four levels stays inside the limit.
  t.directory(8, {{0x8769, 4, 1, 8}, {0xA005, 3, 1, 0}, {0x8769, 4, 1, 100}});
  t.directory(100, {{0x8769, 4, 1, 140}});
  t.directory(140, {{0x8769, 4, 1, 180}});
  t.directory(180, {{0x0201, 4, 1, 240}, {0x0202, 4, 1, 10}}, 0);
  t.bytes(240, kFakeThumbnail);
  const ParseResult r = parse(t.exif());
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.thumbnail, kFakeThumbnail);
}

// Directories whose entries all link to the next level: without a bound on the directories
// walked this takes 1000^4 steps within the depth limit.
TEST(ParseExif, FanOutOfLinksEndsQuickly) {
  TiffBlock t(false);
  const uint32_t fan = 1000;
  uint32_t level[5];
  for (uint32_t i = 0; i < 5; ++i) level[i] = 8 + i * (2 + 12 * fan + 4);
  for (uint32_t i = 0; i < 4; ++i)
    t.directory(level[i], std::vector<Entry>(fan, Entry{0x8769, 4, 1, level[i + 1]}));
  t.directory(level[4], {});
  ASSERT_LT(t.size(), 65530u);
  const auto start = std::chrono::steady_clock::now();
  const ParseResult r = parse(t.exif());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "Too many EXIF directories (corrupt exif header)");
}

}  // namespace
