// The edit button: the maker's editor started on the picture, the offer (dialog 155) when it
// is missing, nothing on a tile without a thumbnail.
#include <QApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "EditorLauncher.h"
#include "picturelist_support.h"

using namespace picturelist_test;

namespace {

// Points the registry stand-in's "Install Path" of the editor at folder (empty: no value).
void setEditorFolder(const fs::path& folder) {
  const fs::path ini = fs::path(qgetenv("XDG_CONFIG_HOME").toStdString()) / "registry" / "software" / "zelvo.ini";
  fs::create_directories(ini.parent_path());
  if (folder.empty()) {
    fs::remove(ini);
    return;
  }
  writeBytes(ini, QByteArray("[values]\nInstall Path=") + QByteArray::fromStdString(folder.string()) + "\n");
}

// A stand-in editor that writes its argument beside itself.
fs::path fakeEditor() {
  const fs::path folder = freshDir("Editor");
  writeBytes(folder / "zelvo", "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/called.tmp\"\n"
                               "mv \"$(dirname \"$0\")/called.tmp\" \"$(dirname \"$0\")/called.txt\"\n");
  fs::permissions(folder / "zelvo", fs::perms::owner_all);
  return folder;
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public slots:
  void open(const QUrl& url) { urls << url; }

 public:
  QList<QUrl> urls;
};

// Answers the next modal dialog by pressing the button with the given objectName.
struct DialogAnswer {
  explicit DialogAnswer(const char* button) {
    QTimer::singleShot(0, [this, button] { poll(button); });
  }
  void poll(const char* button) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      if (++tries < 500) QTimer::singleShot(10, [this, button] { poll(button); });
      return;
    }
    dialogName = modal->objectName();
    if (auto* b = modal->findChild<QPushButton*>(button)) b->click();
  }
  int tries = 0;
  QString dialogName;
};

bool madeThumbnail(const PictureListWidget& list, int index) { return list.Model().At(index).state == kThumbMade; }

}  // namespace

TEST(PictureListEdit, StartsTheEditorOnTheFileAsOnDisk) {
  bindEngine();
  const fs::path editor = fakeEditor();
  setEditorFolder(editor);
  const fs::path dir = freshDir("edit");
  writePicture(dir / "Photo One.png", 40, 40);
  PictureListWidget list;
  list.AddFile(q(dir / "Photo One.png"));
  list.resize(400, 300);
  list.show();
  ASSERT_TRUE(waitFor([&] { return madeThumbnail(list, 0); }));
  list.EditPicture(0);
  ASSERT_TRUE(waitFor([&] { return fs::exists(editor / "called.txt"); }));
  QFile called(q(editor / "called.txt"));
  ASSERT_TRUE(called.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(called.readAll()), q(dir / "Photo One.png"));
  setEditorFolder({});
}

TEST(PictureListEdit, MissingEditorOffersThePage) {
  bindEngine();
  setEditorFolder(freshDir("empty-editor-folder"));  // folder without the editor
  const fs::path dir = freshDir("offer");
  writePicture(dir / "a.png", 40, 40);
  PictureListWidget list;
  list.AddFile(q(dir / "a.png"));
  list.AddFile(q(dir / "missing.png"));
  list.resize(400, 300);
  list.show();
  ASSERT_TRUE(waitFor([&] { return madeThumbnail(list, 0) && list.Model().At(1).state == kThumbFailed; }));
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("https", &catcher, "open");

  {
    DialogAnswer answer("2");  // cancel
    list.EditPicture(0);
    EXPECT_EQ(answer.dialogName, "155");
  }
  EXPECT_TRUE(catcher.urls.isEmpty());
  {
    DialogAnswer answer("1");  // get the editor
    list.EditPicture(0);
    EXPECT_EQ(answer.dialogName, "155");
  }
  ASSERT_EQ(catcher.urls.size(), 1);
  EXPECT_EQ(catcher.urls[0], QUrl(EditorOfferDialog::EditorPage()));

  // No thumbnail, no edit: no dialog either (an unanswered one would hang here).
  setEditorFolder({});
  list.EditPicture(1);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QDesktopServices::unsetUrlHandler("https");
}

#include "picturelist_edit_test.moc"
