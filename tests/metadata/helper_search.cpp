// Set 2 of the EXIF helper library (camera-raw and TIFF thumbnails) is loaded by bare file
// name through the loader's search path; so is set 1 when neither the program folder nor an
// editor folder has the library. This program runs with LD_LIBRARY_PATH = ZLVEXIF_SEARCH_DIR.
#include "helper_support.h"

namespace {

using namespace helper_test;

TEST_F(HelperTest, BareNameSearchForBothSets) {
  const fs::path search = ZLVEXIF_SEARCH_DIR;
  for (const auto& e : fs::directory_iterator(search)) fs::remove(e.path());
  const fs::path jpeg = writeExifJpeg(pictures_ / "a.jpg");
  const fs::path ppm = pictures_ / "thumb.ppm";
  {
    std::ofstream(ppm, std::ios::binary) << "P6\n2 1\n255\n" << std::string("\xff\0\0\0\xff\0", 6);
  }

  SCOPED_TRACE("nothing on the search path");
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(ppm)));
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), kFakeThumbnail);

  SCOPED_TRACE("a helper without set 2");
  const fs::path lib = place("set1only", search);
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(ppm)));
  // Set 1 falls back to the bare name when no folder has the library.
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), fileBytes(jpeg));
  ExifHelper::UnbindForTests();
  fs::remove(lib);

  SCOPED_TRACE("the full helper");
  place("full", search);
  {
    std::optional<ExifThumbnail> pnm = ReadExifThumbnailRawTiff(q(ppm));
    ASSERT_TRUE(pnm);
    EXPECT_EQ(pnm->kind(), ThumbnailKind::Pnm);
    EXPECT_FALSE(pnm->compressed());
    EXPECT_EQ(pnm->orientation(), 8);
    EXPECT_EQ(bytesOf(pnm), fileBytes(ppm));
    std::optional<ExifThumbnail> jpg = ReadExifThumbnailRawTiff(q(jpeg));
    ASSERT_TRUE(jpg);
    EXPECT_EQ(jpg->kind(), ThumbnailKind::Jpeg);
  }
  EXPECT_EQ(counter(lib, "standinFreed"), 2);
  // An unknown kind gives nothing and the buffer goes back; so does a missing file.
  fs::copy_file(ppm, pictures_ / "x.odd");
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(pictures_ / "x.odd")));
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(pictures_ / "missing.ppm")));
  EXPECT_EQ(counter(lib, "standinFreed"), 3);
  EXPECT_EQ(counter(lib, "standinCalls"), 4);
}

}  // namespace
