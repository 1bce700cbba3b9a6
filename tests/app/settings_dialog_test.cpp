// The settings dialog: its pages, the validated fields, snapshot on OK and Cancel, the
// preview's status texts, picture stepping and the one-worker rule.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <fstream>

#include "FrameCatalogue.h"
#include "PreviewArea.h"
#include "SettingsDialog.h"
#include "SettingsIds.h"
#include "SettingsLists.h"
#include "settings_fixture.h"

using namespace settingsTest;

namespace {

void choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

// Typing into a field and leaving it.
void leave(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  QFocusEvent out(QEvent::FocusOut);
  QCoreApplication::sendEvent(edit, &out);
}

class DialogTest : public SettingsViewTest {
 protected:
  QWidget* framePage(SettingsDialog& d) { return find<QWidget>(&d, framePageId::kPage); }
  QWidget* markPage(SettingsDialog& d) { return find<QWidget>(&d, markPageId::kPage); }
  bool idle(SettingsDialog& d) { return waitFor([&] { return !d.PreviewRunning(); }); }
  Pictures pictures;
};

TEST_F(DialogTest, OpensOnTheRequestedPageWithItsControls) {
  for (int page : {0, 1}) {
    SettingsDialog dialog(&pictures, page, nullptr);
    EXPECT_EQ(dialog.objectName(), "145");
    EXPECT_EQ(dialog.windowTitle(), "更多图片生成设置");
    auto* tabs = find<QTabWidget>(&dialog, dialogId::kTabs);
    EXPECT_EQ(tabs->currentIndex(), page);
    EXPECT_EQ(tabs->tabText(0), "边框/圆角设置");
    EXPECT_EQ(tabs->tabText(1), "水印设置");
    EXPECT_EQ(findDirect<QPushButton>(&dialog, dialogId::kPrevious)->text(), "上一张");
    EXPECT_EQ(findDirect<QPushButton>(&dialog, dialogId::kNext)->text(), "下一张");
    EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 1u);
    dialog.reject();
  }
  SettingsDialog dialog(&pictures, 0, nullptr);
  auto* corners = find<QComboBox>(framePage(dialog), framePageId::kCorners);
  ASSERT_EQ(corners->count(), 11);
  EXPECT_EQ(corners->itemText(2), "左下角 ");
  find<QRadioButton>(framePage(dialog), framePageId::kUseCorners);
  EXPECT_TRUE(find<QRadioButton>(framePage(dialog), framePageId::kUseFrame)->isChecked());
  QWidget* mark = markPage(dialog);
  EXPECT_EQ(find<QComboBox>(mark, markPageId::kFontSize)->count(), 16);
  EXPECT_EQ(find<QComboBox>(mark, markPageId::kFontSize)->currentText(), "22");
  EXPECT_EQ(find<QComboBox>(mark, markPageId::kFont)->currentText(), "黑体");
  EXPECT_EQ(find<QPlainTextEdit>(mark, markPageId::kText)->toPlainText(), "请在此处输入水印文字");
  EXPECT_EQ(find<QPushButton>(mark, markPageId::kChooseFile)->text(), "选择水印文件 ...");
  EXPECT_FALSE(find<QPushButton>(mark, markPageId::kChooseFile)->isEnabled());
  EXPECT_EQ(find<QSlider>(mark, markPageId::kRotationSlider)->value(), 180);
  EXPECT_EQ(find<QSlider>(mark, markPageId::kTransparencySlider)->value(), 20);
  for (int id : {markPageId::kMoreFonts, markPageId::kFontLabel, markPageId::kFirstLabel, markPageId::kSecondLabel})
    find<QLabel>(mark, id);
  for (int id : {markPageId::kBold, markPageId::kItalic, markPageId::kUnderline}) find<QCheckBox>(mark, id);
  for (int id : {markPageId::kTextMode, markPageId::kPictureMode, markPageId::kAtPosition, markPageId::kTiled})
    find<QRadioButton>(mark, id);
  for (int id : {markPageId::kPicturePath, markPageId::kFirstMargin, markPageId::kSecondMargin, markPageId::kSpacing,
                 markPageId::kRows, markPageId::kRotation, markPageId::kTransparency})
    find<QLineEdit>(mark, id);
  find<QPushButton>(mark, markPageId::kColour);
  dialog.reject();
}

TEST_F(DialogTest, OkKeepsCancelRestoresTheWholeSettings) {
  const SettingsData before = CSetMgr::Instance().Data();
  {
    SettingsDialog dialog(&pictures, 1, nullptr);
    QWidget* mark = markPage(dialog);
    find<QCheckBox>(mark, markPageId::kBold)->click();
    choose(find<QComboBox>(mark, markPageId::kPosition), 3);
    find<QLineEdit>(mark, markPageId::kRows)->setText("-4");
    find<QRadioButton>(framePage(dialog), framePageId::kUseCorners)->click();
    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(CSetMgr::Instance().Data(), before);
  {
    SettingsDialog dialog(&pictures, 1, nullptr);
    QWidget* mark = markPage(dialog);
    find<QCheckBox>(mark, markPageId::kBold)->click();
    find<QLineEdit>(mark, markPageId::kRows)->setText("-4");
    find<QRadioButton>(framePage(dialog), framePageId::kUseCorners)->click();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  const CSetMgr& s = CSetMgr::Instance();
  EXPECT_EQ(s.bMarkFontBold(), 1);
  EXPECT_EQ(s.nMarkRows(), -4);
  EXPECT_EQ(s.nFrameType(), 0);
  EXPECT_EQ(s.nChangeFlags(), CSetMgr::FrameChanged | CSetMgr::MarkChanged);
  EXPECT_EQ(s.SnapshotCount(), 0u);
}

TEST_F(DialogTest, UnchangedPagesSetNoChangeBitEvenWithValuesOutsideTheLists) {
  CSetMgr& s = CSetMgr::Instance();
  // What a hand-edited settings file may hold.
  s.set_nFrameRoundRize(7);
  s.set_nFrameFileIndex(999);
  s.set_nFrameType(4);
  s.set_nMarkPosSimple(12);
  s.set_nMarkPosTopUnit(3);
  s.set_nMarkStyle(2);
  s.set_strMarkText("一\r\n二");
  s.set_strMarkFont("No Such Face");
  s.set_nMarkFontSize(23);
  s.set_nChangeFlags(0);
  const SettingsData before = s.Data();
  SettingsDialog dialog(&pictures, 0, nullptr);
  dialog.accept();
  EXPECT_EQ(s.Data(), before);
}

TEST_F(DialogTest, OkInPictureModeWithoutAFileShowsItsMessageAndStaysOpen) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  dialog.show();
  find<QRadioButton>(markPage(dialog), markPageId::kPictureMode)->click();
  EXPECT_TRUE(find<QPushButton>(markPage(dialog), markPageId::kChooseFile)->isEnabled());
  findDirect<QPushButton>(&dialog, dialogId::kOk)->click();
  ASSERT_EQ(dialogs.informed.size(), 1);
  EXPECT_EQ(dialogs.informed[0], "您尚未添加水印文件。请点击“选择水印文件...”按钮，选择一个水印文件。");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 1u);
  dialog.reject();
  EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 0u);
  EXPECT_EQ(CSetMgr::Instance().nMarkStyle(), 0);
}

TEST_F(DialogTest, ChosenWatermarkFileMustBeAFile) {
  const std::filesystem::path dir = gallivo::test::freshDir("marks");
  const std::filesystem::path logo = dir / "logo.png";
  QImage(20, 10, QImage::Format_ARGB32).save(QString::fromStdString(logo.string()));
  struct Case {
    QString answer;
    QString path;  // what the path field shows afterwards
  } cases[] = {{QString::fromStdString(dir.string()), ""},             // a folder
               {QString::fromStdString((dir / "gone.png").string()), ""},  // missing
               {"", ""},                                               // cancelled
               {QString::fromStdString(logo.string()), QString::fromStdString(logo.string())}};
  for (const Case& c : cases) {
    SettingsDialog dialog(&pictures, 1, nullptr);
    dialogs.fileAnswer = c.answer;
    find<QRadioButton>(markPage(dialog), markPageId::kPictureMode)->click();
    find<QPushButton>(markPage(dialog), markPageId::kChooseFile)->click();
    EXPECT_EQ(find<QLineEdit>(markPage(dialog), markPageId::kPicturePath)->text(), c.path) << c.answer.toStdString();
    EXPECT_TRUE(find<QRadioButton>(markPage(dialog), markPageId::kPictureMode)->isChecked());
    dialog.reject();
  }
}

TEST_F(DialogTest, FontSizeTypedOutOfRangeIsRefusedWithItsMessage) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  auto* size = find<QComboBox>(markPage(dialog), markPageId::kFontSize);
  for (const char* typed : {"abc", "", "-5", "99999", "0"}) {
    messages.shown.clear();
    size->setEditText(QString::fromLatin1(typed));
    emit size->lineEdit()->editingFinished();
    ASSERT_EQ(messages.shown.size(), 1) << typed;
    EXPECT_EQ(messages.shown[0], "字体大小应该在1到3000之间");
    EXPECT_EQ(size->currentText(), "22") << typed;
    EXPECT_EQ(CSetMgr::Instance().nMarkFontSize(), 22);
  }
  messages.shown.clear();
  size->setEditText("130");
  emit size->lineEdit()->editingFinished();
  EXPECT_TRUE(messages.shown.isEmpty());
  EXPECT_EQ(CSetMgr::Instance().nMarkFontSize(), 130);
  dialog.accept();
  EXPECT_EQ(CSetMgr::Instance().nMarkFontSize(), 130);
}

TEST_F(DialogTest, LeavingAFieldChecksEveryFieldAndGoesOnAfterARefusal) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  QWidget* mark = markPage(dialog);
  auto* first = find<QLineEdit>(mark, markPageId::kFirstMargin);
  auto* second = find<QLineEdit>(mark, markPageId::kSecondMargin);
  auto* spacing = find<QLineEdit>(mark, markPageId::kSpacing);
  auto* rotation = find<QLineEdit>(mark, markPageId::kRotation);
  auto* transparency = find<QLineEdit>(mark, markPageId::kTransparency);
  first->setText("1001");
  second->setText("40");
  spacing->setText("-1");
  rotation->setText("-90");
  transparency->setText("150");
  leave(find<QLineEdit>(mark, markPageId::kRows), "3");
  EXPECT_EQ(messages.shown, (QStringList{"边距应该在0到1000之间", "间距应该在0到1000之间"}));
  const CSetMgr& s = CSetMgr::Instance();
  EXPECT_EQ(first->text(), "15");
  EXPECT_EQ(s.nMarkPosTop(), 15);
  EXPECT_EQ(s.nMarkPosLeft(), 40);
  EXPECT_EQ(spacing->text(), "20");
  EXPECT_EQ(s.nMarkSpace(), 20);
  EXPECT_EQ(s.nMarkRotate(), -90);
  EXPECT_EQ(find<QSlider>(mark, markPageId::kRotationSlider)->value(), 90);
  // Transparency out of range is dropped without a message.
  EXPECT_EQ(s.nMarkTransparent(), 20);
  EXPECT_EQ(find<QSlider>(mark, markPageId::kTransparencySlider)->value(), 20);
  EXPECT_EQ(s.bReportInvalid(), 0);
  dialog.reject();
}

TEST_F(DialogTest, SlidersWriteTheirEdits) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  QWidget* mark = markPage(dialog);
  find<QSlider>(mark, markPageId::kRotationSlider)->setValue(225);
  EXPECT_EQ(find<QLineEdit>(mark, markPageId::kRotation)->text(), "45");
  find<QSlider>(mark, markPageId::kTransparencySlider)->setValue(50);
  EXPECT_EQ(find<QLineEdit>(mark, markPageId::kTransparency)->text(), "50");
  dialog.accept();
  EXPECT_EQ(CSetMgr::Instance().nMarkRotate(), 45);
  EXPECT_EQ(CSetMgr::Instance().nMarkTransparent(), 50);
}

TEST_F(DialogTest, MarginRowsFollowThePositionAndResetTo15) {
  struct Rows {
    const char16_t* first;
    const char16_t* second;
  } expected[] = {{u"下边距", u"右边距"}, {u"下边距", u"左边距"}, {u"上边距", u"左边距"},
                  {u"上边距", u"右边距"}, {u"下边距", nullptr},  {u"上边距", nullptr},
                  {u"左边距", nullptr},  {u"右边距", nullptr},  {nullptr, nullptr}};
  SettingsDialog dialog(&pictures, 1, nullptr);
  QWidget* mark = markPage(dialog);
  auto* position = find<QComboBox>(mark, markPageId::kPosition);
  for (int pos = 0; pos < 9; ++pos) {
    find<QLineEdit>(mark, markPageId::kFirstMargin)->setText("70");
    find<QLineEdit>(mark, markPageId::kSecondMargin)->setText("80");
    choose(position, pos);
    EXPECT_EQ(find<QLineEdit>(mark, markPageId::kFirstMargin)->text(), "15");
    EXPECT_EQ(find<QLineEdit>(mark, markPageId::kSecondMargin)->text(), "15");
    auto rowShows = [&](int label, int edit, int unit, const char16_t* text) {
      EXPECT_EQ(!find<QWidget>(mark, label)->isHidden(), text != nullptr) << pos;
      EXPECT_EQ(!find<QWidget>(mark, edit)->isHidden(), text != nullptr) << pos;
      EXPECT_EQ(!find<QWidget>(mark, unit)->isHidden(), text != nullptr) << pos;
      if (text) {
        EXPECT_EQ(find<QLabel>(mark, label)->text(), QString::fromUtf16(text)) << pos;
      }
    };
    rowShows(markPageId::kFirstLabel, markPageId::kFirstMargin, markPageId::kFirstUnit, expected[pos].first);
    rowShows(markPageId::kSecondLabel, markPageId::kSecondMargin, markPageId::kSecondUnit, expected[pos].second);
  }
  // The unit lists reset the margins too.
  find<QLineEdit>(mark, markPageId::kFirstMargin)->setText("70");
  choose(find<QComboBox>(mark, markPageId::kFirstUnit), 0);
  EXPECT_EQ(find<QLineEdit>(mark, markPageId::kFirstMargin)->text(), "15");
  dialog.reject();
}

TEST_F(DialogTest, ColourButtonStoresTheChosenColourAsBgr) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  dialogs.colourAnswer = QColor(0x12, 0x34, 0x56);
  find<QPushButton>(markPage(dialog), markPageId::kColour)->click();
  dialog.accept();
  EXPECT_EQ(CSetMgr::Instance().nMarkColor(), 0x563412);
}

TEST_F(DialogTest, TypingRestartsTheOneSecondTimer) {
  SettingsDialog dialog(&pictures, 1, nullptr);
  auto* rows = find<QLineEdit>(markPage(dialog), markPageId::kRows);
  auto* timer = markPage(dialog)->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  emit rows->textEdited("5");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);
  dialog.reject();
  EXPECT_FALSE(timer->isActive());
}

TEST_F(DialogTest, EmptyListShowsItsStatusAndTheButtonsDoNothing) {
  SettingsDialog dialog(&pictures, 0, nullptr);
  EXPECT_EQ(dialog.Preview()->Status(), "您还未导入任何图像 ...");
  EXPECT_FALSE(dialog.PreviewRunning());
  findDirect<QPushButton>(&dialog, dialogId::kNext)->click();
  findDirect<QPushButton>(&dialog, dialogId::kPrevious)->click();
  EXPECT_EQ(dialog.PreviewIndex(), 0);
  EXPECT_FALSE(dialog.PreviewRunning());
  EXPECT_EQ(dialog.Preview()->Status(), "您还未导入任何图像 ...");
  dialog.reject();
}

TEST_F(DialogTest, NextAndPreviousWrapAround) {
  for (int i = 0; i < 3; ++i) pictures.Add(MakePicture("p" + std::to_string(i), 40 + 10 * i, 30));
  SettingsDialog dialog(&pictures, 0, nullptr);
  EXPECT_EQ(dialog.Preview()->Status(), "正在生成预览 ...");
  ASSERT_TRUE(idle(dialog));
  EXPECT_EQ(dialog.Preview()->Picture().width(), 40);
  EXPECT_TRUE(dialog.Preview()->Status().isEmpty());
  auto* next = findDirect<QPushButton>(&dialog, dialogId::kNext);
  auto* previous = findDirect<QPushButton>(&dialog, dialogId::kPrevious);
  previous->click();
  EXPECT_EQ(dialog.PreviewIndex(), 2);
  ASSERT_TRUE(idle(dialog));
  EXPECT_EQ(dialog.Preview()->Picture().width(), 60);
  next->click();
  EXPECT_EQ(dialog.PreviewIndex(), 0);
  ASSERT_TRUE(idle(dialog));
  EXPECT_EQ(dialog.Preview()->Picture().width(), 40);
  dialog.reject();
}

TEST_F(DialogTest, NextWhileAPreviewRunsStartsNoSecondWorker) {
  for (int i = 0; i < 3; ++i) pictures.Add(MakePicture("q" + std::to_string(i), 1000 + 200 * i, 500));
  SettingsDialog dialog(&pictures, 0, nullptr);
  int idles = 0;
  QObject::connect(&dialog, &SettingsDialog::previewIdle, [&] { ++idles; });
  ASSERT_TRUE(dialog.PreviewRunning());  // its end is only known through the event loop
  auto* next = findDirect<QPushButton>(&dialog, dialogId::kNext);
  next->click();
  next->click();
  EXPECT_TRUE(dialog.PreviewPending());
  EXPECT_EQ(dialog.PreviewIndex(), 2);
  ASSERT_TRUE(waitFor([&] { return idles > 0; }));
  // One run for the opening, one for the pending request: the picture is the last one asked for.
  EXPECT_EQ(idles, 1);
  EXPECT_FALSE(dialog.PreviewPending());
  EXPECT_EQ(dialog.Preview()->Picture().size(), QSize(320, 114));
  dialog.reject();
}

TEST_F(DialogTest, ClosingWhileAPreviewRunsIsSafe) {
  pictures.Add(MakePicture("big", 3000, 2000));
  for (bool ok : {false, true}) {
    auto dialog = std::make_unique<SettingsDialog>(&pictures, 1, nullptr);
    findDirect<QPushButton>(dialog.get(), dialogId::kNext)->click();
    ASSERT_TRUE(dialog->PreviewRunning());
    if (ok)
      dialog->accept();
    else
      dialog->reject();
    dialog.reset();
    // Results still queued for the dialog are dropped.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(CSetMgr::Instance().SnapshotCount(), 0u);
  }
  // Destroyed without OK or Cancel: undone like Cancel.
  const SettingsData before = CSetMgr::Instance().Data();
  {
    SettingsDialog dialog(&pictures, 0, nullptr);
    find<QRadioButton>(framePage(dialog), framePageId::kUseCorners)->click();
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(CSetMgr::Instance().Data(), before);
}

TEST_F(DialogTest, UnreadablePictureEndsThePreviewQuietly) {
  const std::filesystem::path dir = gallivo::test::freshDir("broken");
  const std::filesystem::path broken = dir / "broken.jpg";
  // A JPEG start marker and nothing else: the loader must refuse it.
  std::ofstream(broken, std::ios::binary) << "\xFF\xD8\xFF";
  pictures.Add(QString::fromStdString(broken.string()));
  SettingsDialog dialog(&pictures, 0, nullptr);
  ASSERT_TRUE(idle(dialog));
  EXPECT_TRUE(dialog.Preview()->Picture().isNull());
  EXPECT_TRUE(dialog.Preview()->Status().isEmpty());
  dialog.reject();
}

class CatalogueTest : public DialogTest {
 protected:
  void TearDown() override {
    FrameCatalogue::Instance().Clear();
    DialogTest::TearDown();
  }
  // A catalogue of n entries; every entry but the first has a preview picture.
  void WriteCatalogue(int n) {
    const std::filesystem::path dir = gallivo::test::freshDir("frames" + std::to_string(n));
    std::ofstream xml(dir / "frames_config.xml");
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><frames>";
    for (int i = 0; i < n; ++i)
      xml << "<item><frame_name>边框" << i << "</frame_name><frame_path>f" << i
          << ".frm</frame_path><preview_path>p" << i << ".png</preview_path></item>";
    xml << "</frames></root>";
    xml.close();
    QImage preview(60, 40, QImage::Format_RGB32);
    preview.fill(Qt::red);
    for (int i = 1; i < std::min(n, 5); ++i) preview.save(QString::fromStdString((dir / ("p" + std::to_string(i) + ".png")).string()));
    FrameCatalogue::Instance().Clear();
    ASSERT_TRUE(FrameCatalogue::Instance().LoadCatalogueFrom(
        QString::fromStdString((dir / "frames_config.xml").string()), QString::fromStdString(dir.string())));
  }
};

TEST_F(CatalogueTest, FrameViewListsTheCatalogue) {
  for (int n : {0, 3, 500}) {
    WriteCatalogue(n);
    CSetMgr::Instance().set_nFrameFileIndex(0);
    SettingsDialog dialog(&pictures, 0, nullptr);
    auto* view = framePage(dialog)->findChild<QListWidget*>(framePageId::kFrameView);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->count(), n);
    if (n == 0) {
      dialog.accept();
      EXPECT_EQ(CSetMgr::Instance().nFrameFileIndex(), 0);
      continue;
    }
    // The first entry's preview is missing: listed with its name only.
    EXPECT_TRUE(view->item(0)->icon().isNull());
    EXPECT_FALSE(view->item(1)->icon().isNull());
    EXPECT_EQ(view->item(n - 1)->text(), QStringLiteral("边框%1").arg(n - 1));
    view->setCurrentRow(n - 1);
    dialog.accept();
    EXPECT_EQ(CSetMgr::Instance().nFrameFileIndex(), n - 1);
    EXPECT_EQ(CSetMgr::Instance().nChangeFlags() & CSetMgr::FrameChanged, CSetMgr::FrameChanged);
  }
}

}  // namespace
