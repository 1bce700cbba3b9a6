// Camera-like JPEG files written by exiftool, exiv2 and jhead from a real photograph, in both
// byte orders and every orientation: the thumbnail we extract must equal exiftool's byte for
// byte, and OrientUpright must turn it the way exiftran -a turns the file.
#include <gtest/gtest.h>

#include <QFile>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "EngineObjects.h"
#include "ExifThumbnail.h"
#include "OrientUpright.h"
#include "TestEnv.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

QString q(const fs::path& p) { return QString::fromStdString(p.string()); }

class CameraFiles : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // ctest's setup test made them; a run by hand makes them when they are missing.
    dir_ = new fs::path(METADATA_CAMERA_DIR);
    std::string out;
    scriptStatus_ = fs::exists(*dir_ / "complete")
                        ? 0
                        : gallivo::test::run(std::string("sh '") + METADATA_FIXTURE_SCRIPT + "' '" +
                                                 dir_->string() + "' 2>&1",
                                             &out);
    scriptOutput_ = new std::string(out);
    QString problem;
    engineBound_ = BindEngineFrom(QString(GALLIVO_BUILD_DIR) + "/libzelvo.so", &problem);
    engineProblem_ = new QString(problem);
  }
  void SetUp() override {
    // A missing tool fails here with the package to install; it never skips.
    ASSERT_EQ(scriptStatus_, 0) << *scriptOutput_;
    ASSERT_TRUE(engineBound_) << engineProblem_->toStdString();
  }
  static fs::path file(const std::string& name) { return *dir_ / name; }

  static std::vector<std::pair<std::string, int>> cameraFiles() {
    std::vector<std::pair<std::string, int>> files;
    for (int n = 1; n <= 8; ++n) {
      files.emplace_back("mm-" + std::to_string(n) + ".jpg", n);
      files.emplace_back("ii-" + std::to_string(n) + ".jpg", n);
    }
    files.emplace_back("jhead-6.jpg", 6);
    return files;
  }

  static inline fs::path* dir_;
  static inline int scriptStatus_;
  static inline std::string* scriptOutput_;
  static inline bool engineBound_;
  static inline QString* engineProblem_;
};

ImageOwner decodeJpeg(const Bytes& bytes) {
  ImageOwner img = NewImage();
  if (img && !img->ops->DecodeMemory(img.get(), bytes.data(), uint32_t(bytes.size()), 3)) img.reset();
  return img;
}

// Largest and mean channel difference; -1 when the sizes differ.
struct Difference {
  int max;
  double mean;
};
Difference compare(ZvImage* a, ZvImage* b) {
  const uint32_t w = a->ops->GetWidth(a), h = a->ops->GetHeight(a);
  if (w != b->ops->GetWidth(b) || h != b->ops->GetHeight(b)) return {-1, -1};
  int worst = 0;
  double sum = 0;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const ZvRGBQuad p = a->ops->GetPixelColor(a, int32_t(x), int32_t(y), false);
      const ZvRGBQuad r = b->ops->GetPixelColor(b, int32_t(x), int32_t(y), false);
      for (int d : {p.red - r.red, p.green - r.green, p.blue - r.blue}) {
        worst = std::max(worst, std::abs(d));
        sum += std::abs(d);
      }
    }
  return {worst, sum / (3.0 * w * h)};
}

TEST_F(CameraFiles, ThumbnailIsByteIdenticalToExiftools) {
  for (const auto& [name, orientation] : cameraFiles()) {
    SCOPED_TRACE(name);
    const Bytes expected = fileBytes(file(name + ".thumb"));
    ASSERT_GT(expected.size(), 1000u);
    for (auto read : {&ReadExifThumbnail, &ReadOwnExifThumbnail}) {
      std::optional<ExifThumbnail> thumb = read(q(file(name)));
      ASSERT_TRUE(thumb);
      EXPECT_EQ(Bytes(thumb->bytes().begin(), thumb->bytes().end()), expected);
      EXPECT_EQ(thumb->kind(), ThumbnailKind::Jpeg);
      EXPECT_EQ(thumb->orientation(), 0);  // the own reader never knows it
    }
  }
}

TEST_F(CameraFiles, NoThumbnailWithoutExifOrWithoutAFile) {
  for (const char* name : {"noexif.jpg", "photo.jpg", "stored-6.jpg", "missing.jpg", "."}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ReadExifThumbnail(q(file(name))));
  }
}

// The reader stops at the start of the scan: a file cut just after it still gives the
// thumbnail. Cut anywhere, it gives the intact thumbnail once the whole EXIF section is there
// and none before (never a crash, a partial thumbnail or a line on standard output).
TEST_F(CameraFiles, ReadsOnlyTheHeadAndSurvivesEveryCut) {
  const Bytes full = fileBytes(file("mm-3.jpg"));
  const Bytes expected = fileBytes(file("mm-3.jpg.thumb"));
  size_t scan = 0, exifStart = 0, exifEnd = 0;
  std::vector<size_t> boundaries;
  for (size_t at = 2; at + 4 <= full.size();) {  // walk the sections up to the scan
    ASSERT_EQ(full[at], 0xFF);
    boundaries.push_back(at);
    const size_t length = size_t(full[at + 2]) << 8 | full[at + 3];
    if (full[at + 1] == 0xE1) exifStart = at, exifEnd = at + 2 + length;
    if (full[at + 1] == 0xDA) {
      scan = at + 2 + length;
      break;
    }
    at += 2 + length;
  }
  ASSERT_GT(scan, 0u);
  ASSERT_GT(exifEnd, 0u);
  const fs::path cut = gallivo::test::freshDir("cut") / "cut.jpg";
  writeBytes(cut, Bytes(full.begin(), full.begin() + scan));
  std::optional<ExifThumbnail> head = ReadExifThumbnail(q(cut));
  ASSERT_TRUE(head);
  EXPECT_EQ(Bytes(head->bytes().begin(), head->bytes().end()), expected);

  // Cut at every section boundary and a few bytes either side, and all through the EXIF block.
  std::vector<size_t> cuts = {0, 1, 2, 3};
  for (size_t b : boundaries) cuts.insert(cuts.end(), {b - 1, b, b + 1, b + 3, b + 5});
  for (size_t n = exifStart; n < exifEnd + 3; n += n + 200 < exifEnd ? 97 : 1) cuts.push_back(n);
  for (size_t n : cuts) {
    n = std::min(n, scan - 1);
    SCOPED_TRACE(n);
    writeBytes(cut, Bytes(full.begin(), full.begin() + n));
    testing::internal::CaptureStdout();
    std::optional<ExifThumbnail> t = ReadExifThumbnail(q(cut));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    if (n >= exifEnd) {
      ASSERT_TRUE(t);
      EXPECT_EQ(Bytes(t->bytes().begin(), t->bytes().end()), expected);
    } else {
      EXPECT_FALSE(t);
    }
  }
}

TEST_F(CameraFiles, OrientUprightTurnsTheThumbnailLikeExiftran) {
  for (const auto& [name, orientation] : cameraFiles()) {
    SCOPED_TRACE(name);
    std::optional<ExifThumbnail> thumb = ReadExifThumbnail(q(file(name)));
    ASSERT_TRUE(thumb);
    ImageOwner ours = decodeJpeg(Bytes(thumb->bytes().begin(), thumb->bytes().end()));
    ImageOwner stored = decodeJpeg(Bytes(thumb->bytes().begin(), thumb->bytes().end()));
    ImageOwner judge = decodeJpeg(fileBytes(file(name + ".upright-thumb")));
    ASSERT_TRUE(ours && stored && judge);
    ASSERT_TRUE(OrientUpright(ours.get(), orientation));
    // exiftran turns the compressed blocks losslessly; the decoders may round differently.
    const Difference d = compare(ours.get(), judge.get());
    EXPECT_GE(d.max, 0) << "sizes differ";
    EXPECT_LE(d.max, 12);
    EXPECT_LE(d.mean, 0.5);
    // The comparison tells turns apart: the stored thumbnail is far from the upright one.
    if (orientation != 1) {
      const Difference unturned = compare(stored.get(), judge.get());
      EXPECT_TRUE(unturned.max < 0 || unturned.mean > 8) << unturned.mean;
    }
  }
}

TEST_F(CameraFiles, OrientationsWithoutATurnLeaveThePictureAlone) {
  const Bytes bytes = fileBytes(file("mm-1.jpg.thumb"));
  ImageOwner reference = decodeJpeg(bytes);
  for (int orientation : {0, 1, 9, -1, 1000}) {
    SCOPED_TRACE(orientation);
    ImageOwner img = decodeJpeg(bytes);
    ASSERT_TRUE(img);
    EXPECT_TRUE(OrientUpright(img.get(), orientation));
    EXPECT_EQ(compare(img.get(), reference.get()).max, 0);
  }
  EXPECT_FALSE(OrientUpright(nullptr, 6));
}

}  // namespace
