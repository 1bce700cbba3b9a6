// The settings panel: controls by identifier, the handlers, the validated width, the speed
// controls, the size estimate and the dialog buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "GifSpeed.h"
#include "SettingsDialog.h"
#include "SettingsIds.h"
#include "SettingsLists.h"
#include "SettingsPanel.h"
#include "SizeEstimate.h"
#include "UpDownControl.h"
#include "settings_fixture.h"

using namespace settingsTest;

namespace {

void choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

void type(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  emit edit->editingFinished();
}

class PanelTest : public SettingsViewTest {
 protected:
  Pictures pictures;
};

TEST_F(PanelTest, EveryControlHasItsIdentifierAndCaption) {
  SettingsPanel panel(&pictures);
  EXPECT_EQ(panel.objectName(), "144");
  const std::pair<int, const char16_t*> captions[] = {
      {panelId::kResizeCheck, u"图片瘦身 - 批量修改图片尺寸，节省图片空间！"},
      {panelId::kFramesCheck, u"为图片增加边框/圆角 - 美化宝贝图片"},
      {panelId::kMarkCheck, u"为图片增加水印 - 防止图片被盗用，还可以宣传您的店铺！"},
      {panelId::kGifCheck, u"合并生成一张动态宝贝展示图片 - 自动切换，循环展示宝贝图片"},
  };
  for (auto [id, text] : captions) EXPECT_EQ(find<QCheckBox>(&panel, id)->text(), QString::fromUtf16(text));
  EXPECT_EQ(find<QPushButton>(&panel, panelId::kFrameButton)->text(), "修改边框及圆角设置 ...");
  EXPECT_EQ(find<QPushButton>(&panel, panelId::kMarkButton)->text(), "修改水印位置和水印外观 ...");
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kSizePreset)->count(), 4);
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kSizePreset)->itemText(3), "自定义大小 ...");
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kQuality)->itemText(2), "低等质量");
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kCorners)->count(), 11);
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kCorners)->itemText(2), "左下角");
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kRadius)->count(), 3);
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kSpeedList)->itemText(0), "高速");
  for (int id : {panelId::kSizePresetLabel, panelId::kWidthLabel, panelId::kWidthUnitLabel, panelId::kEstimate,
                 panelId::kCornersLabel, panelId::kRadiusLabel, panelId::kFrameListLabel, panelId::kMarkTextLabel,
                 panelId::kMarkPathLabel, panelId::kMarkPosition})
    find<QLabel>(&panel, id);
  find<QComboBox>(&panel, panelId::kFrameList);
  find<QLineEdit>(&panel, panelId::kWidthEdit);
  find<QLineEdit>(&panel, panelId::kMarkText);
  find<QLineEdit>(&panel, panelId::kMarkPath);
  find<QLineEdit>(&panel, panelId::kSpeedEdit);
  find<UpDownControl>(&panel, panelId::kSpeedUpDown);
}

TEST_F(PanelTest, VisibilityFollowsPresetFrameTypeAndMarkStyle) {
  struct Case {
    int sizePreset, frameType, markStyle;
  } cases[] = {{0, 0, 0}, {3, 1, 1}, {2, 1, 0}, {3, 0, 1}};
  for (const Case& c : cases) {
    CSetMgr& s = CSetMgr::Instance();
    s.set_nResizeSimpleType(c.sizePreset);
    s.set_nFrameType(c.frameType);
    s.set_nMarkStyle(c.markStyle);
    SettingsPanel panel(&pictures);
    SCOPED_TRACE(testing::Message() << c.sizePreset << "/" << c.frameType << "/" << c.markStyle);
    for (int id : {panelId::kQuality, panelId::kWidthLabel, panelId::kWidthEdit, panelId::kEstimate,
                   panelId::kWidthUnitLabel})
      EXPECT_EQ(!find<QWidget>(&panel, id)->isHidden(), c.sizePreset == 3) << id;
    for (int id : {panelId::kCorners, panelId::kCornersLabel, panelId::kRadiusLabel, panelId::kRadius})
      EXPECT_EQ(!find<QWidget>(&panel, id)->isHidden(), c.frameType == 0) << id;
    for (int id : {panelId::kFrameListLabel, panelId::kFrameList})
      EXPECT_EQ(!find<QWidget>(&panel, id)->isHidden(), c.frameType == 1) << id;
    for (int id : {panelId::kMarkTextLabel, panelId::kMarkText})
      EXPECT_EQ(!find<QWidget>(&panel, id)->isHidden(), c.markStyle == 0) << id;
    for (int id : {panelId::kMarkPathLabel, panelId::kMarkPath})
      EXPECT_EQ(!find<QWidget>(&panel, id)->isHidden(), c.markStyle == 1) << id;
  }
}

TEST_F(PanelTest, PositionDescriptionFollowsTheSettings) {
  const char16_t* expected[] = {
      u"水印显示在图像右下角",         u"水印显示在图像左下角",         u"水印显示在图像左上角",
      u"水印显示在图像右上角",         u"水印显示在图像底部并左右居中", u"水印显示在图像顶部并左右居中",
      u"水印显示在图像左部并上下居中", u"水印显示在图像右部并上下居中", u"水印显示在图像中心"};
  SettingsPanel panel(&pictures);
  CSetMgr& s = CSetMgr::Instance();
  for (int pos = 0; pos < 9; ++pos) {
    s.set_nMarkPosSimple(pos);
    panel.SettingsToPanel();
    EXPECT_EQ(find<QLabel>(&panel, panelId::kMarkPosition)->text(), QString::fromUtf16(expected[pos]));
  }
  s.set_nMarkPosStyle(1);
  panel.SettingsToPanel();
  EXPECT_EQ(find<QLabel>(&panel, panelId::kMarkPosition)->text(), "平铺水印");
}

TEST_F(PanelTest, CustomSizeShowsItsControlsSwitchesSlimmingOnAndShowsTheEstimate) {
  SettingsPanel panel(&pictures);
  auto* preset = find<QComboBox>(&panel, panelId::kSizePreset);
  ASSERT_TRUE(find<QWidget>(&panel, panelId::kWidthEdit)->isHidden());
  ASSERT_FALSE(find<QCheckBox>(&panel, panelId::kResizeCheck)->isChecked());
  choose(preset, settingsLists::kCustomSize);
  EXPECT_TRUE(find<QCheckBox>(&panel, panelId::kResizeCheck)->isChecked());
  for (int id : {panelId::kQuality, panelId::kWidthEdit, panelId::kEstimate})
    EXPECT_FALSE(find<QWidget>(&panel, id)->isHidden()) << id;
  EXPECT_EQ(CSetMgr::Instance().nResizeSimpleType(), 3);

  // Default width 310 at the medium level (quality 75).
  ASSERT_TRUE(waitFor([&] { return panel.EstimateBytes() > 0; }));
  const int bytes = SizeEstimate(310, 75);
  EXPECT_EQ(panel.EstimateBytes(), bytes);
  EXPECT_EQ(find<QLabel>(&panel, panelId::kEstimate)->text(), QStringLiteral("图片大小约 %1 KB").arg(bytes / 1024 + 1));

  // A new quality refreshes the figure.
  choose(find<QComboBox>(&panel, panelId::kQuality), 2);
  EXPECT_EQ(CSetMgr::Instance().nResizeQuality(), 2);
  EXPECT_EQ(CSetMgr::Instance().nChangeFlags() & CSetMgr::ResizeChanged, CSetMgr::ResizeChanged);
  const int low = SizeEstimate(310, 65);
  ASSERT_TRUE(waitFor([&] { return panel.EstimateBytes() == low; }));
  EXPECT_LT(low, bytes);
}

TEST_F(PanelTest, RefusedWidthShowsTheMessageAndRestoresTheHeldWidth) {
  CSetMgr::Instance().set_nResizeSimpleType(3);
  CSetMgr::Instance().set_nResizeWidth(640);
  SettingsPanel panel(&pictures);
  auto* width = find<QLineEdit>(&panel, panelId::kWidthEdit);
  for (const char* typed : {"0", "3001", "abc", "", "-5"}) {
    messages.shown.clear();
    type(width, QString::fromLatin1(typed));
    ASSERT_EQ(messages.shown.size(), 1) << typed;
    EXPECT_EQ(messages.shown[0], "图片宽度范围应该在1到3000之间");
    EXPECT_EQ(width->text(), "640") << typed;
    EXPECT_EQ(width->cursorPosition(), 3);
    EXPECT_EQ(CSetMgr::Instance().nResizeWidth(), 640);
    EXPECT_EQ(CSetMgr::Instance().bReportInvalid(), 0);
  }
  messages.shown.clear();
  type(width, "3000");
  EXPECT_TRUE(messages.shown.isEmpty());
  EXPECT_EQ(CSetMgr::Instance().nResizeWidth(), 3000);
}

TEST_F(PanelTest, UpDownStepsATenthOfASecondAndStaysInRange) {
  SettingsPanel panel(&pictures);
  auto* upDown = find<UpDownControl>(&panel, panelId::kSpeedUpDown);
  auto* seconds = find<QLineEdit>(&panel, panelId::kSpeedEdit);
  auto* presets = find<QComboBox>(&panel, panelId::kSpeedList);
  EXPECT_EQ(seconds->text(), "1.00");
  upDown->StepBy(1);
  EXPECT_EQ(seconds->text(), "1.10");
  upDown->StepBy(1);
  EXPECT_EQ(seconds->text(), "1.20");
  EXPECT_EQ(upDown->Position(), 5000);
  EXPECT_EQ(presets->currentText(), "中速");
  EXPECT_TRUE(find<QCheckBox>(&panel, panelId::kGifCheck)->isChecked());

  CSetMgr::Instance().set_nGIFSpeed(9900);
  panel.SettingsToPanel();
  upDown->StepBy(1);
  EXPECT_EQ(seconds->text(), "10.00");
  upDown->StepBy(1);
  EXPECT_EQ(seconds->text(), "10.00");
  EXPECT_EQ(presets->currentText(), "低速");
  EXPECT_EQ(CSetMgr::Instance().nGIFSpeed(), 10000);

  CSetMgr::Instance().set_nGIFSpeed(200);
  panel.SettingsToPanel();
  upDown->StepBy(-1);
  upDown->StepBy(-1);
  EXPECT_EQ(seconds->text(), "0.10");
  EXPECT_EQ(presets->currentText(), "高速");
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(PanelTest, TypedSecondsAreRewrittenAndSelectTheirPreset) {
  struct Case {
    const char* typed;
    const char* shown;
    const char16_t* preset;
    int ms;
  } cases[] = {{"0.05", "0.10", u"高速", 100}, {"1.2", "1.20", u"中速", 1200}, {"0.5", "0.50", u"高速", 500},
               {"1.5", "1.50", u"低速", 1500}, {"20", "10.00", u"低速", 10000}, {"abc", "0.10", u"高速", 100},
               {"0.29", "0.29", u"高速", 290}};
  SettingsPanel panel(&pictures);
  auto* seconds = find<QLineEdit>(&panel, panelId::kSpeedEdit);
  for (const Case& c : cases) {
    type(seconds, QString::fromLatin1(c.typed));
    EXPECT_EQ(seconds->text(), QString::fromLatin1(c.shown)) << c.typed;
    EXPECT_EQ(find<QComboBox>(&panel, panelId::kSpeedList)->currentText(), QString::fromUtf16(c.preset)) << c.typed;
    EXPECT_EQ(CSetMgr::Instance().nGIFSpeed(), c.ms) << c.typed;
  }
  EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(PanelTest, SpeedPresetSetsTheSpeedAndSwitchesTheShowcaseOn) {
  SettingsPanel panel(&pictures);
  const int speeds[] = {500, 1000, 1500};
  for (int preset = 0; preset < 3; ++preset) {
    choose(find<QComboBox>(&panel, panelId::kSpeedList), preset);
    EXPECT_EQ(CSetMgr::Instance().nGIFSpeed(), speeds[preset]);
    EXPECT_EQ(find<QLineEdit>(&panel, panelId::kSpeedEdit)->text(), gifSpeed::SecondsText(speeds[preset]));
  }
  EXPECT_TRUE(find<QCheckBox>(&panel, panelId::kGifCheck)->isChecked());
}

TEST_F(PanelTest, PanelToSettingsCopiesTheControlsAndKeepsIndexesOutsideTheLists) {
  CSetMgr& s = CSetMgr::Instance();
  s.set_nFrameRoundRize(7);  // from a hand-edited settings file
  s.set_nFrameFileIndex(42);
  s.set_nChangeFlags(0);
  SettingsPanel panel(&pictures);
  panel.PanelToSettings();
  EXPECT_EQ(s.nFrameRoundRize(), 7);
  EXPECT_EQ(s.nFrameFileIndex(), 42);
  EXPECT_EQ(s.nChangeFlags(), 0);

  find<QCheckBox>(&panel, panelId::kResizeCheck)->setChecked(true);
  find<QCheckBox>(&panel, panelId::kMarkCheck)->setChecked(true);
  find<QComboBox>(&panel, panelId::kCorners)->setCurrentIndex(9);
  find<QLineEdit>(&panel, panelId::kMarkText)->setText("小店");
  find<QLineEdit>(&panel, panelId::kWidthEdit)->setText("5000");  // silent: ignored
  find<QLineEdit>(&panel, panelId::kSpeedEdit)->setText("0.01");  // silent: clamped
  panel.PanelToSettings();
  EXPECT_EQ(s.bPhotoResize(), 1);
  EXPECT_EQ(s.bPhotoMark(), 1);
  EXPECT_EQ(s.bPhotoFrames(), 0);
  EXPECT_EQ(s.nFrameRoundPos(), 9);
  EXPECT_EQ(s.nChangeFlags() & CSetMgr::FrameChanged, CSetMgr::FrameChanged);
  EXPECT_EQ(s.strMarkText(), "小店");
  EXPECT_EQ(s.nResizeWidth(), 310);
  EXPECT_EQ(s.nGIFSpeed(), 100);
  EXPECT_EQ(find<QLineEdit>(&panel, panelId::kSpeedEdit)->text(), "0.10");
  EXPECT_TRUE(messages.shown.isEmpty());
}

// Runs the dialog the panel opens: act() gets it while it is modal.
void whileModal(std::function<void(SettingsDialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(dialog);
  });
}

TEST_F(PanelTest, FrameButtonWithNothingChangedKeepsTheFrameSwitch) {
  SettingsPanel panel(&pictures);
  const SettingsData before = CSetMgr::Instance().Data();
  whileModal([](SettingsDialog* dialog) { findDirect<QPushButton>(dialog, dialogId::kOk)->click(); });
  find<QPushButton>(&panel, panelId::kFrameButton)->click();
  EXPECT_EQ(CSetMgr::Instance().bPhotoFrames(), 0);
  EXPECT_FALSE(find<QCheckBox>(&panel, panelId::kFramesCheck)->isChecked());
  EXPECT_EQ(CSetMgr::Instance().Data(), before);
  EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 0u);
}

TEST_F(PanelTest, ChangedRadiusSwitchesFramesOnAndMarkPageSwitchesTheMarkOn) {
  SettingsPanel panel(&pictures);
  whileModal([](SettingsDialog* dialog) {
    auto* page = find<QWidget>(dialog, framePageId::kPage);
    auto* radius = find<QComboBox>(page, framePageId::kRadius);
    choose(radius, 2);
    findDirect<QPushButton>(dialog, dialogId::kOk)->click();
  });
  find<QPushButton>(&panel, panelId::kFrameButton)->click();
  EXPECT_EQ(CSetMgr::Instance().nFrameRoundRize(), 2);
  EXPECT_EQ(CSetMgr::Instance().bPhotoFrames(), 1);
  EXPECT_TRUE(find<QCheckBox>(&panel, panelId::kFramesCheck)->isChecked());
  EXPECT_EQ(find<QComboBox>(&panel, panelId::kRadius)->currentIndex(), 2);

  whileModal([](SettingsDialog* dialog) {
    auto* page = find<QWidget>(dialog, markPageId::kPage);
    choose(find<QComboBox>(page, markPageId::kPosition), 8);
    findDirect<QPushButton>(dialog, dialogId::kOk)->click();
  });
  find<QPushButton>(&panel, panelId::kMarkButton)->click();
  EXPECT_EQ(CSetMgr::Instance().nMarkPosSimple(), 8);
  EXPECT_EQ(CSetMgr::Instance().bPhotoMark(), 1);
  EXPECT_EQ(find<QLabel>(&panel, panelId::kMarkPosition)->text(), "水印显示在图像中心");
}

TEST_F(PanelTest, CancelRestoresEverySetting) {
  SettingsPanel panel(&pictures);
  panel.PanelToSettings();
  CSetMgr::Instance().set_nChangeFlags(0);
  const SettingsData before = CSetMgr::Instance().Data();
  whileModal([](SettingsDialog* dialog) {
    auto* frames = find<QWidget>(dialog, framePageId::kPage);
    choose(find<QComboBox>(frames, framePageId::kCorners), 5);
    auto* mark = find<QWidget>(dialog, markPageId::kPage);
    choose(find<QComboBox>(mark, markPageId::kFirstUnit), 0);
    find<QLineEdit>(mark, markPageId::kSpacing)->setText("99");
    dialog->StartPreview();
    findDirect<QPushButton>(dialog, dialogId::kCancel)->click();
  });
  find<QPushButton>(&panel, panelId::kMarkButton)->click();
  EXPECT_EQ(CSetMgr::Instance().Data(), before);
  EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 0u);
}

}  // namespace
