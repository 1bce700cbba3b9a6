// The step chain: which steps a chain holds for which settings, in their fixed order, and
// what the slimming, rotation, quality and preview steps do to real pictures.
#include <QSize>
#include <typeinfo>

#include "CornerStep.h"
#include "FrameStep.h"
#include "GifSteps.h"
#include "JpegQualityStep.h"
#include "LoadStep.h"
#include "PreviewStep.h"
#include "ResizeStep.h"
#include "SaveStep.h"
#include "StepChain.h"
#include "UserRotationStep.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

// The short name of a step, for comparing chains as text.
std::string StepName(const ProcessStep* s) {
  if (dynamic_cast<const LoadStep*>(s)) return "Load";
  if (dynamic_cast<const UserRotationStep*>(s)) return "Rotate";
  if (dynamic_cast<const ResizeStep*>(s)) return "Resize";
  if (dynamic_cast<const FrameStep*>(s)) return "Frame";
  if (dynamic_cast<const CornerStep*>(s)) return "Corner";
  if (dynamic_cast<const JpegQualityStep*>(s)) return "Quality";
  if (dynamic_cast<const GifFitStep*>(s)) return "GifFit";
  if (dynamic_cast<const GifAddStep*>(s)) return "GifAdd";
  if (dynamic_cast<const SaveStep*>(s)) return "Save";
  if (dynamic_cast<const PreviewStep*>(s)) return "Preview";
  return typeid(*s).name();
}

std::string Names(const StepChain& chain) {
  std::string out;
  for (size_t i = 0; i < chain.Size(); ++i) out += (i ? " " : "") + StepName(chain.StepAt(i));
  return out;
}

class ChainTest : public BatchTest {};

TEST_F(ChainTest, StepsFollowTheSettingsInTheFixedOrder) {
  struct Case {
    const char* what;
    std::function<void(CSetMgr&)> set;
    const char* exportChain;
    const char* previewChain;
  };
  const Case cases[] = {
      {"every effect off", [](CSetMgr&) {}, "Load Rotate Quality Save", "Load Rotate Quality Preview"},
      // The second resize is there for a frame; without one it finds nothing to do.
      {"slimming", [](CSetMgr& s) { s.set_bPhotoResize(1); },
       "Load Rotate Resize Resize Quality Save", "Load Rotate Resize Resize Quality Preview"},
      {"slimming and a frame: resize before and after it",
       [](CSetMgr& s) { s.set_bPhotoResize(1); s.set_bPhotoFrames(1); s.set_nFrameType(1); },
       "Load Rotate Resize Frame Resize Quality Save", "Load Rotate Resize Frame Resize Quality Preview"},
      {"frame without slimming", [](CSetMgr& s) { s.set_bPhotoFrames(1); s.set_nFrameType(1); },
       "Load Rotate Frame Quality Save", "Load Rotate Frame Quality Preview"},
      {"rounded corners, no frame", [](CSetMgr& s) { s.set_bPhotoFrames(1); s.set_nFrameType(0); },
       "Load Rotate Corner Quality Save", "Load Rotate Corner Quality Preview"},
      {"showcase writes no files", [](CSetMgr& s) { s.set_bPhotoGIF(1); },
       "Load Rotate GifFit GifAdd", "Load Rotate Quality Preview"},
      {"showcase with slimming and corners",
       [](CSetMgr& s) { s.set_bPhotoGIF(1); s.set_bPhotoResize(1); s.set_bPhotoFrames(1); s.set_nFrameType(0); },
       "Load Rotate Resize Resize Corner GifFit GifAdd", "Load Rotate Resize Resize Corner Quality Preview"},
      {"frame type outside 0 and 1 gives neither", [](CSetMgr& s) { s.set_bPhotoFrames(1); s.set_nFrameType(7); },
       "Load Rotate Quality Save", "Load Rotate Quality Preview"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSetMgr::Instance().ResetToDefaults();
    c.set(CSetMgr::Instance());
    EXPECT_EQ(Names(BuildExportChain()), c.exportChain);
    EXPECT_EQ(Names(BuildPreviewChain()), c.previewChain);
  }
}

TEST_F(ChainTest, ResizeShrinksToTheTargetWidthAndNeverEnlarges) {
  struct Case {
    QSize source;
    int simpleType, customWidth;
    QSize expected;
  };
  const Case cases[] = {
      {{2000, 1500}, 1, 310, {500, 375}},
      {{500, 800}, 1, 310, {500, 800}},   // exactly the width: unchanged
      {{301, 1000}, 0, 310, {301, 1000}},
      {{311, 1000}, 0, 310, {310, 996}},
      {{1400, 700}, 2, 310, {700, 350}},
      {{1280, 960}, 3, 640, {640, 480}},
      {{3001, 3}, 3, 3000, {3000, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source.width() << "x" << c.source.height() << " type "
                                    << c.simpleType);
    CSetMgr& s = CSetMgr::Instance();
    s.set_bPhotoResize(1);
    s.set_nResizeSimpleType(c.simpleType);
    s.set_nResizeWidth(c.customWidth);
    ImageSlot slot;
    slot.image = EngineImage(Pattern(c.source.width(), c.source.height())).release();
    EXPECT_TRUE(ResizeStep().Process(PictureItem{}, slot));
    EXPECT_EQ(QSize(zv::Width(slot.image), zv::Height(slot.image)), c.expected);
    ReleaseImage(slot.image);
  }
}

TEST_F(ChainTest, QualityComesFromTheLevelOnlyForTheCustomSize) {
  struct Case {
    int resize, simpleType, level, expected;  // 0: the engine's default is kept
  };
  const Case cases[] = {
      {1, 3, 0, 85}, {1, 3, 1, 75}, {1, 3, 2, 65}, {1, 3, 120, 80}, {1, 3, -1, 80},
      {1, 0, 2, 80}, {1, 1, 2, 80}, {1, 2, 0, 80}, {0, 3, 0, 0},    {0, 1, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "resize " << c.resize << " type " << c.simpleType << " level " << c.level);
    CSetMgr& s = CSetMgr::Instance();
    s.set_bPhotoResize(c.resize);
    s.set_nResizeSimpleType(c.simpleType);
    s.set_nResizeQuality(c.level);
    EXPECT_EQ(SlimQuality(s), c.expected);
    ImageSlot slot;
    slot.image = EngineImage(Pattern(8, 8)).release();
    const int before = slot.image->ops->GetJpegQuality(slot.image);
    EXPECT_TRUE(JpegQualityStep().Process(PictureItem{}, slot));
    EXPECT_EQ(slot.image->ops->GetJpegQuality(slot.image), c.expected ? c.expected : before);
    ReleaseImage(slot.image);
  }
}

TEST_F(ChainTest, StepsRefuseAnEmptySlot) {
  const std::unique_ptr<ProcessStep> steps[] = {
      std::make_unique<UserRotationStep>(), std::make_unique<ResizeStep>(), std::make_unique<JpegQualityStep>(),
      std::make_unique<CornerStep>(),       std::make_unique<SaveStep>(),   std::make_unique<PreviewStep>(),
      std::make_unique<GifFitStep>(),       std::make_unique<GifAddStep>(),
  };
  for (const auto& step : steps) {
    ImageSlot slot;
    EXPECT_FALSE(step->Process(PictureItem{}, slot)) << StepName(step.get());
  }
}

TEST_F(ChainTest, UserRotationTurnsClockwiseBeforeTheResize) {
  const fs::path dir = gallivo::test::freshDir("rotate");
  // Red marker in the top-left corner of a 2000 x 1000 picture.
  QImage source = Pattern(2000, 1000);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) source.setPixel(x, y, qRgb(255, 0, 0));
  WritePicture(dir / "wide.png", source, ZV_TYPE_PNG);
  struct Case {
    int rotation;
    QSize size;
    QPoint marker;  // where the top-left marker ends up (top-left based)
  };
  const Case cases[] = {
      {0, {500, 250}, {10, 10}},
      {1, {500, 1000}, {490, 10}},   // turned right first, then 500 wide
      {2, {500, 250}, {490, 240}},
      {3, {500, 1000}, {10, 990}},
  };
  CSetMgr::Instance().set_bPhotoResize(1);
  CSetMgr::Instance().set_nResizeSimpleType(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rotation);
    StepChain chain;
    chain.Append(std::make_unique<LoadStep>());
    chain.Append(std::make_unique<UserRotationStep>());
    chain.Append(std::make_unique<ResizeStep>());
    PictureItem item = FixedPictureSource::ItemFor(Q(dir / "wide.png"), c.rotation);
    ImageSlot slot;
    for (size_t i = 0; i < chain.Size(); ++i)
      ASSERT_TRUE(const_cast<ProcessStep*>(chain.StepAt(i))->Process(item, slot));
    const QImage out = zv::ToQImage(slot.image);
    ReleaseImage(slot.image);
    EXPECT_EQ(out.size(), c.size);
    const QRgb m = out.pixel(c.marker);
    EXPECT_GT(qRed(m), 200);
    EXPECT_LT(qGreen(m), 60);
  }
}

TEST_F(ChainTest, UnreadablePictureStopsTheChainAndLeavesNothing) {
  const fs::path dir = gallivo::test::freshDir("unreadable");
  // Provokes a decoder failure: JPEG start bytes followed by nothing usable.
  {
    std::FILE* f = std::fopen((dir / "broken.jpg").c_str(), "wb");
    const unsigned char bytes[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1};
    std::fwrite(bytes, 1, sizeof bytes, f);
    std::fclose(f);
  }
  CSetMgr::Instance().set_strExportDir(Q(dir / "out"));
  StepChain chain = BuildExportChain();
  struct Case {
    const char* file;
    FailureKind kind;
  };
  const Case cases[] = {{"broken.jpg", FailureKind::Unreadable}, {"missing.jpg", FailureKind::Unreadable}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ImageSlot slot;
    EXPECT_FALSE(chain.ProcessOne(FixedPictureSource::ItemFor(Q(dir / c.file)), slot));
    EXPECT_EQ(slot.failure, c.kind);
    EXPECT_EQ(slot.image, nullptr);
  }
}

TEST_F(ChainTest, PreviewFitsInto320WithoutEnlarging) {
  struct Case {
    QSize source, expected;
  };
  const Case cases[] = {{{1000, 500}, {320, 160}}, {{200, 100}, {200, 100}}, {{500, 1000}, {160, 320}},
                        {{320, 320}, {320, 320}},  {{2000, 3}, {320, 1}}};
  QImage shown;
  JobContext::Instance().SetRefresher([&](const QImage& picture) { shown = picture; });
  for (const Case& c : cases) {
    EXPECT_EQ(PreviewSize(c.source.width(), c.source.height()), c.expected);
    ImageSlot slot;
    slot.image = EngineImage(Pattern(c.source.width(), c.source.height())).release();
    shown = QImage();
    EXPECT_TRUE(PreviewStep().Process(PictureItem{}, slot));
    EXPECT_EQ(slot.image, nullptr);
    EXPECT_EQ(shown.size(), c.expected);
  }
  JobContext::Instance().SetRefresher(nullptr);
}

}  // namespace
