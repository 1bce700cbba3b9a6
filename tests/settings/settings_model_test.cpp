#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "GifSpeed.h"
#include "SetMgr.h"

namespace {

struct Recorder : SettingsReporter {
  std::vector<QString> messages;
  void ShowMessage(const QString& text) override { messages.push_back(text); }
};

class SettingsModel : public ::testing::Test {
 protected:
  void SetUp() override {
    s.ResetToDefaults();
    s.SetReporter(&recorder);
  }
  void TearDown() override {
    s.SetReporter(nullptr);
    while (s.SnapshotCount()) s.PopSnapshot(false);
    s.ResetToDefaults();
  }
  CSetMgr& s = CSetMgr::Instance();
  Recorder recorder;
};

TEST_F(SettingsModel, FreshInstanceHoldsTheDefaults) {
  const SettingsData& d = s.Data();
  const std::pair<const char*, int32_t> ints[] = {
      {"bSubDir", d.bSubDir},           {"bPhotoResize", d.bPhotoResize},   {"bPhotoFrames", d.bPhotoFrames},
      {"bPhotoMark", d.bPhotoMark},     {"bPhotoGIF", d.bPhotoGIF},         {"nGIFSpeed", d.nGIFSpeed},
      {"nResizeType", d.nResizeType},   {"nResizeSimpleType", d.nResizeSimpleType},
      {"nResizeWidth", d.nResizeWidth}, {"nResizeHeight", d.nResizeHeight}, {"nResizeQuality", d.nResizeQuality},
      {"nFrameType", d.nFrameType},     {"nFrameRoundPos", d.nFrameRoundPos},
      {"nFrameRoundRize", d.nFrameRoundRize}, {"nFrameFileIndex", d.nFrameFileIndex},
      {"nMarkStyle", d.nMarkStyle},     {"nMarkFontSize", d.nMarkFontSize}, {"bMarkFontBold", d.bMarkFontBold},
      {"bMarkFontIt", d.bMarkFontIt},   {"bMarkFontUnder", d.bMarkFontUnder}, {"nMarkPosStyle", d.nMarkPosStyle},
      {"nMarkPosSimple", d.nMarkPosSimple}, {"nMarkPosTopUnit", d.nMarkPosTopUnit},
      {"nMarkPosLeftUnit", d.nMarkPosLeftUnit}, {"nMarkPosTop", d.nMarkPosTop}, {"nMarkPosLeft", d.nMarkPosLeft},
      {"nMarkSpace", d.nMarkSpace},     {"nMarkRows", d.nMarkRows},         {"nMarkRotate", d.nMarkRotate},
      {"nMarkTransparent", d.nMarkTransparent}, {"bReportInvalid", d.bReportInvalid},
      {"nChangeFlags", d.nChangeFlags}, {"nMarkColor", d.nMarkColor},     {"bPkvToJpg", d.bPkvToJpg},
      {"nGIFWidth", d.nGIFWidth},       {"nGIFHeight", d.nGIFHeight},       {"nGIFFrameCount", d.nGIFFrameCount},
  };
  const int32_t expected[] = {1, 0, 0, 0, 0, 1000, 0, 0, 310, 310, 1, 1, 0, 0, 0, 0, 22, 0, 0,
                              0, 0, 0, 1, 1, 15, 15, 20, 0, 0, 20, 0, 0, 0xFFFFFF, 0, 0, 0, 0};
  ASSERT_EQ(std::size(ints), std::size(expected));
  for (size_t i = 0; i < std::size(ints); ++i) EXPECT_EQ(ints[i].second, expected[i]) << ints[i].first;
  EXPECT_EQ(d.strMarkText, QStringLiteral("请在此处输入水印文字"));
  EXPECT_EQ(d.strMarkFont, QStringLiteral("黑体"));
  EXPECT_TRUE(d.strMarkPicPath.isEmpty());
  EXPECT_TRUE(d.strExportDir.isEmpty());
  EXPECT_TRUE(d.strGIFPath.isEmpty());
  EXPECT_EQ(&CSetMgr::Instance(), &s);
}

struct RangeCase {
  const char* key;
  void (*set)(CSetMgr&, int32_t);
  int32_t (*get)(const CSetMgr&);
  int32_t low, high;
  const char16_t* message;
  int32_t bit;
  bool clamps;
};

const RangeCase kRanges[] = {
    {"nGIFSpeed", [](CSetMgr& m, int32_t v) { m.set_nGIFSpeed(v); }, [](const CSetMgr& m) { return m.nGIFSpeed(); }, 100, 10000, u"图片切换速度应该在0.1秒到10秒之间", 0, true},
    {"nResizeWidth", [](CSetMgr& m, int32_t v) { m.set_nResizeWidth(v); }, [](const CSetMgr& m) { return m.nResizeWidth(); }, 1, 3000, u"图片宽度范围应该在1到3000之间", 1, false},
    {"nMarkFontSize", [](CSetMgr& m, int32_t v) { m.set_nMarkFontSize(v); }, [](const CSetMgr& m) { return m.nMarkFontSize(); }, 1, 3000, u"字体大小应该在1到3000之间", 4, false},
    {"nMarkPosTop", [](CSetMgr& m, int32_t v) { m.set_nMarkPosTop(v); }, [](const CSetMgr& m) { return m.nMarkPosTop(); }, 0, 1000, u"边距应该在0到1000之间", 4, false},
    {"nMarkPosLeft", [](CSetMgr& m, int32_t v) { m.set_nMarkPosLeft(v); }, [](const CSetMgr& m) { return m.nMarkPosLeft(); }, 0, 1000, u"边距应该在0到1000之间", 4, false},
    {"nMarkSpace", [](CSetMgr& m, int32_t v) { m.set_nMarkSpace(v); }, [](const CSetMgr& m) { return m.nMarkSpace(); }, 0, 1000, u"间距应该在0到1000之间", 4, false},
    {"nMarkRotate", [](CSetMgr& m, int32_t v) { m.set_nMarkRotate(v); }, [](const CSetMgr& m) { return m.nMarkRotate(); }, -180, 180, u"旋转角度应该在-180到180之间", 4, false},
    {"nMarkTransparent", [](CSetMgr& m, int32_t v) { m.set_nMarkTransparent(v); }, [](const CSetMgr& m) { return m.nMarkTransparent(); }, 0, 100, u"透明度应该在0到100之间", 4, false},
};

TEST_F(SettingsModel, BoundsAreInclusiveAndSetTheChangeBit) {
  for (const RangeCase& c : kRanges) {
    SCOPED_TRACE(c.key);
    for (int32_t report : {0, 1}) {
      for (int32_t v : {c.low, c.high}) {
        s.ResetToDefaults();
        s.set_bReportInvalid(report);
        int32_t before = c.get(s);
        c.set(s, v);
        EXPECT_EQ(c.get(s), v);
        EXPECT_EQ(s.nChangeFlags(), before != v ? c.bit : 0);
        // The same value again changes nothing.
        s.set_nChangeFlags(0);
        c.set(s, v);
        EXPECT_EQ(s.nChangeFlags(), 0);
      }
    }
  }
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(SettingsModel, OutOfRangeReportsOrIsIgnored) {
  for (const RangeCase& c : kRanges) {
    SCOPED_TRACE(c.key);
    for (int32_t v : {c.low - 1, c.high + 1, INT32_MIN, INT32_MAX}) {
      // Reporting on: the message, the exception, the value kept.
      s.ResetToDefaults();
      recorder.messages.clear();
      s.set_bReportInvalid(1);
      int32_t held = c.get(s);
      EXPECT_THROW(c.set(s, v), SettingsException);
      EXPECT_EQ(c.get(s), held);
      ASSERT_EQ(recorder.messages.size(), 1u);
      EXPECT_EQ(recorder.messages[0], QString::fromUtf16(c.message));
      EXPECT_EQ(s.nChangeFlags(), 0);
      // Silent: ignored, or clamped to the nearer bound for the speed.
      s.set_bReportInvalid(0);
      recorder.messages.clear();
      EXPECT_NO_THROW(c.set(s, v));
      EXPECT_EQ(c.get(s), c.clamps ? (v > c.high ? c.high : c.low) : held);
      EXPECT_TRUE(recorder.messages.empty());
      EXPECT_EQ(s.nChangeFlags(), 0);
    }
  }
}

TEST_F(SettingsModel, SpeedExamples) {
  s.set_nGIFSpeed(50);
  EXPECT_EQ(s.nGIFSpeed(), 100);
  s.set_nGIFSpeed(20000);
  EXPECT_EQ(s.nGIFSpeed(), 10000);
  s.set_bReportInvalid(1);
  EXPECT_THROW(s.set_nGIFSpeed(50), SettingsException);
  EXPECT_THROW(s.set_nGIFSpeed(20000), SettingsException);
  EXPECT_EQ(s.nGIFSpeed(), 10000);
  EXPECT_EQ(recorder.messages.size(), 2u);
}

TEST_F(SettingsModel, UncheckedWritersSetTheirChangeBit) {
  const struct {
    const char* key;
    std::function<void(int32_t)> set;
    int32_t bit;
  } cases[] = {
      {"nResizeSimpleType", [&](int32_t v) { s.set_nResizeSimpleType(v); }, 1},
      {"nResizeQuality", [&](int32_t v) { s.set_nResizeQuality(v); }, 1},
      {"nFrameType", [&](int32_t v) { s.set_nFrameType(v); }, 2},
      {"nFrameRoundPos", [&](int32_t v) { s.set_nFrameRoundPos(v); }, 2},
      {"nFrameRoundRize", [&](int32_t v) { s.set_nFrameRoundRize(v); }, 2},
      {"nFrameFileIndex", [&](int32_t v) { s.set_nFrameFileIndex(v); }, 2},
      {"nMarkStyle", [&](int32_t v) { s.set_nMarkStyle(v); }, 4},
      {"bMarkFontBold", [&](int32_t v) { s.set_bMarkFontBold(v); }, 4},
      {"bMarkFontIt", [&](int32_t v) { s.set_bMarkFontIt(v); }, 4},
      {"bMarkFontUnder", [&](int32_t v) { s.set_bMarkFontUnder(v); }, 4},
      {"nMarkPosStyle", [&](int32_t v) { s.set_nMarkPosStyle(v); }, 4},
      {"nMarkPosSimple", [&](int32_t v) { s.set_nMarkPosSimple(v); }, 4},
      {"nMarkPosTopUnit", [&](int32_t v) { s.set_nMarkPosTopUnit(v); }, 4},
      {"nMarkPosLeftUnit", [&](int32_t v) { s.set_nMarkPosLeftUnit(v); }, 4},
      {"nMarkRows", [&](int32_t v) { s.set_nMarkRows(v); }, 4},
      {"nMarkColor", [&](int32_t v) { s.set_nMarkColor(v); }, 4},
      {"bPhotoResize", [&](int32_t v) { s.set_bPhotoResize(v); }, 0},
      {"bPhotoGIF", [&](int32_t v) { s.set_bPhotoGIF(v); }, 0},
      {"nResizeType", [&](int32_t v) { s.set_nResizeType(v); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    s.set_nChangeFlags(0);
    c.set(-7);  // stored unchecked, negative values included
    EXPECT_EQ(s.nChangeFlags(), c.bit);
    s.set_nChangeFlags(0);
    c.set(-7);
    EXPECT_EQ(s.nChangeFlags(), 0);
  }
  EXPECT_EQ(s.nMarkRows(), -7);
  // Strings compare with case.
  s.set_nChangeFlags(0);
  s.set_strMarkFont(QStringLiteral("黑体"));
  EXPECT_EQ(s.nChangeFlags(), 0);
  s.set_strMarkText(QStringLiteral("Shop"));
  s.set_nChangeFlags(0);
  s.set_strMarkText(QStringLiteral("shop"));
  EXPECT_EQ(s.nChangeFlags(), 4);
  s.set_nChangeFlags(0);
  s.set_strExportDir(QStringLiteral("/out/"));  // not a watermark key
  EXPECT_EQ(s.nChangeFlags(), 0);
}

TEST_F(SettingsModel, SnapshotsRestoreEveryField) {
  s.set_nChangeFlags(2);
  s.PushSnapshot();
  const SettingsData before = s.Data();
  s.set_bReportInvalid(1);
  s.set_nResizeWidth(999);
  s.set_strMarkText(QStringLiteral("changed"));
  s.set_nMarkColor(0x0000FF);
  s.set_strGIFPath(QStringLiteral("/x.gif"));
  s.set_nGIFWidth(640);
  s.PopSnapshot(true);
  EXPECT_TRUE(s.Data() == before);
  EXPECT_EQ(s.nChangeFlags(), 2);
  EXPECT_EQ(s.SnapshotCount(), 0u);

  s.PushSnapshot();
  s.set_nMarkSpace(3);
  s.PopSnapshot(false);
  EXPECT_EQ(s.nMarkSpace(), 3);
  EXPECT_EQ(s.SnapshotCount(), 0u);
  s.PopSnapshot(true);  // nothing pushed: no change, no crash
  EXPECT_EQ(s.nMarkSpace(), 3);
}

TEST(SettingsGifSpeed, PresetsAndSeconds) {
  const struct {
    int preset;
    const char16_t* text;
    int32_t speed;
  } presets[] = {{0, u"高速", 500}, {1, u"中速", 1000}, {2, u"低速", 1500}};
  for (const auto& p : presets) {
    EXPECT_EQ(gifSpeed::PresetText(p.preset), QString::fromUtf16(p.text));
    EXPECT_EQ(gifSpeed::PresetSpeed(p.preset), p.speed);
    EXPECT_EQ(gifSpeed::PresetOfSpeed(p.speed), p.preset);
  }
  EXPECT_TRUE(gifSpeed::PresetText(3).isEmpty());
  const std::pair<int32_t, int> reverse[] = {{100, 0}, {500, 0}, {501, 1}, {1499, 1}, {1500, 2}, {10000, 2}};
  for (auto [ms, preset] : reverse) EXPECT_EQ(gifSpeed::PresetOfSpeed(ms), preset) << ms;

  const std::pair<int32_t, const char*> shown[] = {{1000, "1.00"}, {100, "0.10"}, {1234, "1.23"},
                                                   {10000, "10.00"}, {505, "0.51"}, {0, "0.00"}};
  for (auto [ms, text] : shown) EXPECT_EQ(gifSpeed::SecondsText(ms), QString::fromLatin1(text)) << ms;

  const std::pair<const char*, int32_t> typed[] = {
      {"1", 1000},     {"0.5", 500},   {"0.29", 290},  {"1.2345", 1234}, {" 2.5s", 2500},
      {"-1", -1000},   {"abc", 0},     {"", 0},        {".", 0},         {".7", 700},
      {"1e1", 10000},  {"99999999999", INT32_MAX}, {"0.1", 100}, {"10", 10000},
  };
  for (auto [text, ms] : typed) EXPECT_EQ(gifSpeed::SecondsTextToMs(QString::fromLatin1(text)), ms) << text;
}

}  // namespace
