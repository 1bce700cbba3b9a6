// The watermark steps in the chains: positions 7 and 8 under their settings, and an export run
// whose watermark picture is gone reports every picture as failed, with the reason.
#include <QDir>
#include <typeinfo>

#include "PictureMarkStep.h"
#include "StepChain.h"
#include "TextMarkStep.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

// Where the watermark steps sit in a chain: "-" for any other step.
std::string MarkPositions(const StepChain& chain) {
  std::string out;
  for (size_t i = 0; i < chain.Size(); ++i) {
    const ProcessStep* s = chain.StepAt(i);
    out += dynamic_cast<const TextMarkStep*>(s) ? "T" : dynamic_cast<const PictureMarkStep*>(s) ? "P" : "-";
  }
  return out;
}

class WatermarkChain : public BatchTest {};

TEST_F(WatermarkChain, TextAndPictureMarksFollowTheStyleInBothChains) {
  struct Case {
    const char* what;
    int photoMark, style;
    bool corners;
    const char* exportChain;  // Load Rotate [Resize Resize Corner] mark Quality Save
    const char* previewChain;
  };
  const Case cases[] = {
      {"watermark off", 0, 0, false, "----", "----"},
      {"text", 1, 0, false, "--T--", "--T--"},
      {"picture", 1, 1, false, "--P--", "--P--"},
      {"text after slimming and corners, before the quality", 1, 0, true, "-----T--", "-----T--"},
      {"picture after slimming and corners", 1, 1, true, "-----P--", "-----P--"},
      {"style outside 0 and 1 gives neither", 1, 5, false, "----", "----"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSetMgr& s = CSetMgr::Instance();
    s.ResetToDefaults();
    s.set_bPhotoMark(c.photoMark);
    s.set_nMarkStyle(c.style);
    if (c.corners) {
      s.set_bPhotoResize(1);
      s.set_bPhotoFrames(1);
      s.set_nFrameType(0);
    }
    EXPECT_EQ(MarkPositions(BuildExportChain()), c.exportChain);
    EXPECT_EQ(MarkPositions(BuildPreviewChain()), c.previewChain);
  }
}

TEST_F(WatermarkChain, AMissingWatermarkPictureFailsEveryPictureWithItsReason) {
  const fs::path in = gallivo::test::freshDir("mark-in");
  const fs::path out = gallivo::test::freshDir("mark-out");
  std::vector<fs::path> files;
  for (int i = 0; i < 3; ++i) {
    files.push_back(in / ("p" + std::to_string(i) + ".jpg"));
    WritePicture(files.back(), Pattern(120, 90, i));
  }
  CSetMgr& s = CSetMgr::Instance();
  s.set_strExportDir(Q(out) + QLatin1Char('/'));
  s.set_bPhotoMark(1);
  s.set_nMarkStyle(1);
  s.set_strMarkPicPath(Q(in / "logo-that-was-deleted.png"));
  const ExportSummary summary = RunJob(Items(files));
  EXPECT_EQ(summary.written, 0);
  ASSERT_EQ(summary.failures.size(), 3);
  for (const PictureFailure& f : summary.failures) {
    EXPECT_EQ(f.kind, FailureKind::WatermarkMissing);
    EXPECT_TRUE(f.detail.contains("logo-that-was-deleted.png")) << f.detail.toStdString();
  }
  EXPECT_EQ(FailureText(FailureKind::WatermarkMissing), QStringLiteral("水印图片不存在"));
  EXPECT_TRUE(FileNames(out).empty());

  // With the text watermark the same run writes every picture, stamped.
  s.set_nMarkStyle(0);
  s.set_nMarkTransparent(0);
  const ExportSummary stamped = RunJob(Items(files));
  EXPECT_EQ(stamped.written, 3);
  EXPECT_TRUE(stamped.failures.isEmpty());
  const QImage plain = Pattern(120, 90, 0);
  const QImage marked = ReadPicture(out / "p0.jpg");
  ASSERT_EQ(marked.size(), plain.size());
  // The corner holding the mark changed far beyond JPEG noise; the opposite corner did not.
  EXPECT_GT(MeanDifference(marked.copy(60, 60, 45, 15), plain.copy(60, 60, 45, 15)), 20);
  EXPECT_LT(MeanDifference(marked.copy(0, 0, 40, 30), plain.copy(0, 0, 40, 30)), 6);
}

}  // namespace
