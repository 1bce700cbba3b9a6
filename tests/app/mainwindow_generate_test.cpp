// The main window's controls and its generate and clear-list commands: refusals in their
// order with their exact messages, the destination dialogs, the showcase naming rule.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "AppTestSupport.h"
#include "GenerateCommand.h"
#include "JobContext.h"
#include "MainWindow.h"
#include "SetMgr.h"

using namespace apptest;

namespace {

// The exact texts the user sees.
const QString kNoPictures = QStringLiteral("您尚未添加需要处理的图片。请在左侧“添加图片”框内点击“添加图片...”或“添加文件夹...”按钮添加您要处理的图片。");
const QString kNoEffect = QStringLiteral("您尚未选择图片生成效果。请在右侧的“图片生成设置”框内选择生成图片效果。您可以选择配置 “图片瘦身”、“为图片增加边框/圆角”或“为图片增加水印”中的一种或多种效果组合。");
const QString kNoMarkText = QStringLiteral("您尚未输入水印文字。请在输入框中输入您想要显示的水印文字。");
const QString kOnePicture = QStringLiteral("您只添加了一张图片，无法生成动态展示图片。");
const QString kScanning = QStringLiteral("正在添加图片文件过程中……，请稍后点击。");

struct Scene {
  ScriptedDialogs dialogs;
  FakeList* list = new FakeList;
  FakePanel* panel = new FakePanel;
  int exports = 0;
  bool exportAnswer = false;  // what the progress window ends with (true: next batch)
  std::function<void()> duringExport;
  std::unique_ptr<MainWindow> window;

  Scene() {
    CSetMgr::Instance().ResetToDefaults();
    MainWindowOptions options;
    options.list.reset(list);
    options.settings.reset(panel);
    options.checkForUpdates = false;
    options.runExport = [this](QWidget*, PictureSource& source) {
      ++exports;
      EXPECT_EQ(&source, &list->source);
      if (duringExport) duringExport();
      return exportAnswer;
    };
    window = std::make_unique<MainWindow>(std::move(options));
  }
  template <class T = QPushButton>
  T* Control(int id) {
    T* control = window->findChild<T*>(QString::number(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
  }
  void Generate() { Control(MainWindowId::kGenerate)->click(); }
};

QStringList Files(int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out << QStringLiteral("/pictures/p%1.jpg").arg(i);
  return out;
}

}  // namespace

TEST(MainWindowControls, CaptionsIdentifiersAndPlaces) {
  Scene scene;
  struct Case {
    int id;
    const char* caption;
  } buttons[] = {{1047, "添加图片..."}, {1044, "添加文件夹..."}, {1054, "清空列表"}, {1056, "生成图片 ..."}};
  for (const Case& c : buttons) {
    QPushButton* b = scene.Control(c.id);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
  }
  auto* box = scene.Control<QCheckBox>(1037);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("将pkv格式转换成jpg格式"));
  for (int id : {1125, 1126, 1127, 1133}) {
    QLabel* link = scene.Control<QLabel>(id);
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->text().contains(QStringLiteral("https://www.gallivo.invalid/")));
  }
  EXPECT_EQ(scene.window->windowTitle(), QStringLiteral("Gallivo"));
  EXPECT_EQ(scene.window->size(), QSize(870, 600));
  EXPECT_EQ(scene.list->Widget()->geometry(), QRect(30, 105, 870 - 30 - 445, 600 - 105 - 60));
  EXPECT_EQ(scene.panel->Widget()->geometry(), QRect(870 - 20 - 385, 70, 385, 600 - 70 - 55));

  // Larger: the list grows, the panel keeps its width and its distance to the right edge.
  scene.window->show();
  scene.window->resize(1200, 800);
  EXPECT_EQ(scene.list->Widget()->geometry(), QRect(30, 105, 1200 - 30 - 445, 800 - 105 - 60));
  EXPECT_EQ(scene.panel->Widget()->geometry(), QRect(1200 - 20 - 385, 70, 385, 800 - 70 - 55));
  // Every control stays inside the window and clear of the others' rows.
  for (QWidget* w : scene.window->findChildren<QWidget*>()) {
    if (w->parentWidget() == scene.window.get() && !w->isHidden()) {
      EXPECT_TRUE(scene.window->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
  }
}

TEST(MainWindowControls, ButtonsReachTheList) {
  Scene scene;
  scene.Control(1047)->click();
  scene.Control(1044)->click();
  EXPECT_EQ(scene.list->addPicturesCalls, 1);
  EXPECT_EQ(scene.list->addFolderCalls, 1);
}

TEST(MainWindowControls, ClearListFollowsTheCountAndWaitsForAScan) {
  Scene scene;
  QPushButton* clear = scene.Control(1054);
  EXPECT_FALSE(clear->isEnabled());
  scene.list->SetFiles(Files(2));
  EXPECT_TRUE(clear->isEnabled());

  scene.list->scanning = true;
  clear->click();
  EXPECT_EQ(scene.dialogs.informed, QStringList{kScanning});
  EXPECT_EQ(scene.list->removeAllCalls, 0);

  scene.list->scanning = false;
  clear->click();
  EXPECT_EQ(scene.list->removeAllCalls, 1);
  EXPECT_FALSE(clear->isEnabled());
}

TEST(MainWindowControls, PkvCheckBoxAppearsOnceAndSetsTheSetting) {
  Scene scene;
  auto* box = scene.Control<QCheckBox>(1037);
  scene.window->show();
  EXPECT_FALSE(box->isVisible());
  scene.list->FirePkvAdded();
  EXPECT_TRUE(box->isVisible());
  box->click();
  EXPECT_EQ(CSetMgr::Instance().bPkvToJpg(), 1);
  box->click();
  EXPECT_EQ(CSetMgr::Instance().bPkvToJpg(), 0);
}

TEST(MainWindowGenerate, RefusalsInTheirOrder) {
  struct Case {
    const char* name;
    int pictures;
    std::function<void(CSetMgr&)> settings;
    bool scanning;
    QString expected;
  };
  const Case cases[] = {
      // The list is checked first, even when no effect is chosen and a scan runs.
      {"empty list", 0, [](CSetMgr&) {}, true, kNoPictures},
      {"no effect", 3, [](CSetMgr&) {}, true, kNoEffect},
      {"default watermark text", 3,
       [](CSetMgr& s) {
         s.set_bPhotoMark(1);
         s.set_nMarkStyle(0);
       },
       true, kNoMarkText},
      {"one picture for a showcase", 1, [](CSetMgr& s) { s.set_bPhotoGIF(1); }, true,
       kOnePicture},
      {"scan running", 2, [](CSetMgr& s) { s.set_bPhotoResize(1); }, true, kScanning},
      {"one picture, showcase and text watermark", 1,
       [](CSetMgr& s) {
         s.set_bPhotoGIF(1);
         s.set_bPhotoMark(1);
       },
       false, kNoMarkText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    c.settings(CSetMgr::Instance());
    scene.list->SetFiles(Files(c.pictures));
    scene.list->scanning = c.scanning;
    const SettingsData before = CSetMgr::Instance().Data();
    scene.Generate();
    EXPECT_EQ(scene.dialogs.informed, QStringList{c.expected});
    EXPECT_TRUE(scene.dialogs.folderTitles.isEmpty());
    EXPECT_TRUE(scene.dialogs.saveFilters.isEmpty());
    EXPECT_EQ(scene.exports, 0);
    EXPECT_EQ(scene.panel->copies, 1);  // the panel was copied first
    EXPECT_TRUE(CSetMgr::Instance().Data() == before);
    EXPECT_EQ(scene.list->Count(), c.pictures);
    EXPECT_EQ(JobContext::Instance().source, &scene.list->source);
  }
}

TEST(MainWindowGenerate, WatermarkTextBlocksOnlyInTextMode) {
  struct Case {
    int style;
    const char* text;
    bool refused;
  } cases[] = {{0, "请在此处输入水印文字", true},
               {1, "请在此处输入水印文字", false},  // picture mode
               {0, "小店", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Scene scene;
    CSetMgr::Instance().set_bPhotoMark(1);
    CSetMgr::Instance().set_nMarkStyle(c.style);
    CSetMgr::Instance().set_strMarkText(QString::fromUtf8(c.text));
    scene.list->SetFiles(Files(2));
    scene.Generate();
    EXPECT_EQ(scene.dialogs.informed.contains(kNoMarkText), c.refused);
    EXPECT_EQ(scene.dialogs.folderTitles.size(), c.refused ? 0 : 1);
  }
}

TEST(MainWindowGenerate, ShowcaseNameGetsGifAppendedByTheRule) {
  struct Case {
    const char* chosen;
    const char* path;
  } cases[] = {{"/out/show.GIF", "/out/show.GIF"},
               {"/out/show", "/out/show.gif"},
               {"/out/show.gif.bak", "/out/show.gif.bak.gif"},
               {"/out/sub dir/a.gif", "/out/sub dir/a.gif"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    Scene scene;
    CSetMgr::Instance().set_bPhotoGIF(1);
    scene.list->SetFiles(Files(2));
    scene.dialogs.answers = {QString::fromUtf8(c.chosen)};
    scene.Generate();
    EXPECT_TRUE(scene.dialogs.informed.isEmpty());
    EXPECT_EQ(scene.dialogs.saveFilters, QStringList{QStringLiteral("导出格式(*.gif)")});
    EXPECT_TRUE(scene.dialogs.folderTitles.isEmpty());
    EXPECT_EQ(CSetMgr::Instance().strGIFPath(), QString::fromUtf8(c.path));
    EXPECT_EQ(CSetMgr::Instance().strExportDir(),
              QFileInfo(QString::fromUtf8(c.path)).absolutePath() + QLatin1Char('/'));
    EXPECT_EQ(scene.exports, 1);
  }
  EXPECT_EQ(WithGifExtension(QStringLiteral("a.Gif")), QStringLiteral("a.Gif"));
  EXPECT_EQ(WithGifExtension(QStringLiteral("gif")), QStringLiteral("gif.gif"));
  EXPECT_EQ(AsExportFolder(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(AsExportFolder(QStringLiteral("/a/b//")), QStringLiteral("/a/b/"));
}

TEST(MainWindowGenerate, FolderBrowserForPictures) {
  Scene scene;
  CSetMgr::Instance().set_bPhotoResize(1);
  CSetMgr::Instance().set_strExportDir(QStringLiteral("/old/"));
  scene.list->SetFiles(Files(1));  // one picture is enough without the showcase
  scene.dialogs.answers = {QStringLiteral("/exports/today")};
  scene.Generate();
  EXPECT_EQ(scene.dialogs.folderTitles, QStringList{QStringLiteral("将文件导出到：")});
  EXPECT_EQ(CSetMgr::Instance().strExportDir(), QStringLiteral("/exports/today/"));
  EXPECT_EQ(scene.exports, 1);
}

TEST(MainWindowGenerate, CancelInTheDialogsEndsTheCommand) {
  for (int showcase : {0, 1}) {
    SCOPED_TRACE(showcase);
    Scene scene;
    CSetMgr::Instance().set_bPhotoResize(1);
    CSetMgr::Instance().set_bPhotoGIF(showcase);
    CSetMgr::Instance().set_strExportDir(QStringLiteral("/kept/"));
    scene.list->SetFiles(Files(3));
    scene.dialogs.answers = {QString()};
    scene.Generate();
    EXPECT_EQ(scene.dialogs.folderTitles.size() + scene.dialogs.saveFilters.size(), 1);
    EXPECT_EQ(scene.exports, 0);
    EXPECT_EQ(CSetMgr::Instance().strExportDir(), QStringLiteral("/kept/"));
    EXPECT_TRUE(CSetMgr::Instance().strGIFPath().isEmpty());
    EXPECT_TRUE(scene.dialogs.informed.isEmpty());
  }
}

TEST(MainWindowGenerate, NextBatchClearsTheListOtherEndingsKeepIt) {
  struct Case {
    bool nextBatch;
    bool scanningAfter;
    int countAfter;
    bool scanMessage;
  } cases[] = {{true, false, 0, false}, {false, false, 3, false}, {true, true, 3, true}};
  for (const Case& c : cases) {
    Scene scene;
    CSetMgr::Instance().set_bPhotoResize(1);
    scene.list->SetFiles(Files(3));
    scene.dialogs.answers = {QStringLiteral("/exports")};
    scene.exportAnswer = c.nextBatch;
    // A folder scan may start while the progress window is open.
    scene.duringExport = [&scene, &c] { scene.list->scanning = c.scanningAfter; };
    scene.Control(MainWindowId::kGenerate)->click();
    EXPECT_EQ(scene.list->Count(), c.countAfter);
    EXPECT_EQ(scene.dialogs.informed.contains(kScanning), c.scanMessage);
  }
}

TEST(MainWindowGenerate, DroppedPathsGoToTheList) {
  Scene scene;
  // The drop handler hands local files and folders over as they are.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QStringLiteral("/a/B.JPG")), QUrl::fromLocalFile(QStringLiteral("/dir")),
                QUrl(QStringLiteral("https://example.invalid/x.jpg"))});
  scene.window->show();
  QDragEnterEvent enter(QPoint(100, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(scene.window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(scene.window.get(), &drop);
  EXPECT_EQ(scene.list->added, (QStringList{QStringLiteral("/a/B.JPG"), QStringLiteral("/dir")}));
}
