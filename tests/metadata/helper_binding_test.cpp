// The EXIF helper library's first set (JPEG thumbnails): where it is loaded from, the
// all-or-nothing rule with retries, the record handed over, and who frees the buffer.
#include "helper_support.h"

#include "zlvplatform.h"

namespace {

using namespace helper_test;

TEST_F(HelperTest, WithoutTheHelperTheOwnReaderAnswers) {
  const fs::path jpeg = writeExifJpeg(pictures_ / "a.jpg");
  std::optional<ExifThumbnail> t = ReadExifThumbnail(q(jpeg));
  EXPECT_EQ(bytesOf(t), kFakeThumbnail);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->orientation(), 0);
  EXPECT_FALSE(ExifHelper::BindJpegSet());
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(jpeg)));  // raw/TIFF thumbnails need the helper
}

TEST_F(HelperTest, HelperInTheProgramFolderAnswersAndGetsItsBufferBack) {
  const fs::path lib = place("full", program_);
  const fs::path jpeg = writeExifJpeg(pictures_ / "图片.jpg");  // the path reaches it as UTF-8
  {
    std::optional<ExifThumbnail> t = ReadExifThumbnail(q(jpeg));
    ASSERT_TRUE(t);
    EXPECT_EQ(bytesOf(t), fileBytes(jpeg));  // the stand-in's answer, not the own reader's
    EXPECT_EQ(t->orientation(), 6);
    EXPECT_EQ(t->kind(), ThumbnailKind::Jpeg);
    EXPECT_EQ(counter(lib, "standinCalls"), 1);  // also proves the record was prepared
    EXPECT_EQ(counter(lib, "standinFreed"), 0);
    ExifThumbnail moved = std::move(*t);  // ownership moves; still one release
  }
  EXPECT_EQ(counter(lib, "standinFreed"), 1);

  // A failed call gives nothing (the own reader is not asked); an empty answer goes back.
  fs::copy_file(jpeg, pictures_ / "fail.jpg");
  fs::copy_file(jpeg, pictures_ / "empty.jpg");
  EXPECT_FALSE(ReadExifThumbnail(q(pictures_ / "fail.jpg")));
  EXPECT_FALSE(ReadExifThumbnail(q(pictures_ / "empty.jpg")));
  EXPECT_FALSE(ReadExifThumbnail(q(pictures_ / "missing.jpg")));
  EXPECT_EQ(counter(lib, "standinCalls"), 4);
  EXPECT_EQ(counter(lib, "standinFreed"), 2);
  // Set 2 is never taken from the program folder.
  EXPECT_FALSE(ReadExifThumbnailRawTiff(q(jpeg)));
}

TEST_F(HelperTest, AnIncompleteHelperIsAbsentAndBindingIsTriedAgain) {
  const fs::path jpeg = writeExifJpeg(pictures_ / "a.jpg");
  const fs::path lib = place("nodetail", program_);  // fnGetDetailInfo missing
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), kFakeThumbnail);
  EXPECT_EQ(counter(lib, "standinCalls"), -1);  // not kept loaded either
  fs::remove(lib);
  place("full", program_);
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), fileBytes(jpeg));
}

TEST_F(HelperTest, TheEditorFolderServesWhenTheProgramFolderHasNone) {
  const fs::path jpeg = writeExifJpeg(pictures_ / "a.jpg");
  const fs::path editor = gallivo::test::freshDir("editor");
  const fs::path editorLib = place("full", editor);
  ASSERT_TRUE(zlvRegSetString(ZLV_HKEY_CURRENT_USER, u"Software\\Zelvo", u"Install Path",
                              q(editor).toStdU16String().c_str()));
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), fileBytes(jpeg));
  EXPECT_EQ(counter(editorLib, "standinCalls"), 1);

  // With a copy in the program folder too, that one is used.
  ExifHelper::UnbindForTests();
  const fs::path programLib = place("set1only", program_);
  EXPECT_EQ(bytesOf(ReadExifThumbnail(q(jpeg))), fileBytes(jpeg));
  EXPECT_EQ(counter(programLib, "standinCalls"), 1);
}

}  // namespace
