// Adding pictures to the list: the extension rule, the file dialog, the folder scan queue,
// drops, duplicates, removal and hostile folders.
#include <sys/stat.h>
#include <unistd.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "PictureExtensions.h"
#include "SetMgr.h"
#include "picturelist_support.h"

using namespace picturelist_test;

namespace {

struct SubDirSetting {
  explicit SubDirSetting(int value) : old(CSetMgr::Instance().bSubDir()) { CSetMgr::Instance().set_bSubDir(value); }
  ~SubDirSetting() { CSetMgr::Instance().set_bSubDir(old); }
  int old;
};

void scanAndWait(PictureListWidget& list, const fs::path& folder) {
  list.QueueFolderScan(q(folder));
  ASSERT_TRUE(waitFor([&] { return !list.IsScanning(); }));
}

}  // namespace

TEST(PictureListExtensions, SupportedTable) {
  EXPECT_EQ(SupportedPattern().count(QLatin1Char(';')), 43);
  EXPECT_TRUE(SupportedPattern().startsWith("*.bmp;*.gif;*.jpg;*.jpeg;*.png;"));
  EXPECT_TRUE(SupportedPattern().endsWith("*.pdd;*.pkv;"));
  const struct {
    const char* path;
    bool supported;
  } cases[] = {
      {"/a/b.jpg", true},       {"/a/B.JPG", true},      {"/a/b.jpeg", true},     {"/a/b.3fr", true},
      {"/a/b.pkv", true},       {"/a/b.txt", false},     {"/a/jpg", false},       {"/a/b.", false},
      {"/x.jpg/readme", false}, {"/a/b.jp", false},      {"/a/b.pn", false},      {"/a/b.tar.gz", false},
      {"/a/x.jpg;", false},     {"/a/x.*", false},       {"/a/.png", true},       {"/a/x.PnG", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSupportedPicture(QString::fromUtf8(c.path)), c.supported) << c.path;
  EXPECT_TRUE(IsPkvPath("/a/x.pkv"));
  EXPECT_FALSE(IsPkvPath("/a/x.pkv.jpg"));
}

TEST(PictureListAdd, FolderWithPictureAndTextAddsOneLowerCasedItem) {
  const fs::path dir = freshDir("Mixed");
  writePicture(dir / "a.JPG", 8, 8, "JPG");
  writeBytes(dir / "b.txt", "text");
  PictureListWidget list;
  EXPECT_EQ(list.objectName(), "100");
  scanAndWait(list, dir);
  ASSERT_EQ(list.Count(), 1);
  PictureItem item;
  ASSERT_TRUE(list.ItemAt(0, item));
  EXPECT_EQ(item.path, q(dir / "a.JPG").toLower());
  EXPECT_EQ(item.filePath, q(dir / "a.JPG"));  // opened by the name on disk
  EXPECT_EQ(item.index, 0);
  EXPECT_EQ(item.rotation, 0);
}

TEST(PictureListAdd, SubFoldersFollowTheSetting) {
  const fs::path dir = freshDir("tree");
  fs::create_directories(dir / "sub" / "deeper");
  fs::create_directories(dir / "z.jpg");  // a folder named like a picture is never one
  writePicture(dir / "top.png", 4, 4);
  writePicture(dir / "sub" / "mid.png", 4, 4);
  writePicture(dir / "sub" / "deeper" / "low.png", 4, 4);
  writePicture(dir / "z.jpg" / "in.png", 4, 4);
  {
    SubDirSetting off(0);
    PictureListWidget list;
    scanAndWait(list, dir);
    EXPECT_EQ(paths(list), QStringList{lower(dir / "top.png")});
  }
  {
    SubDirSetting on(1);
    PictureListWidget list;
    scanAndWait(list, dir);
    // Breadth-first: the folder's own files, then its sub-folders' files.
    EXPECT_EQ(paths(list), (QStringList{lower(dir / "top.png"), lower(dir / "sub/mid.png"),
                                        lower(dir / "z.jpg/in.png"), lower(dir / "sub/deeper/low.png")}));
  }
}

TEST(PictureListAdd, FoldersAddedQuicklyKeepTheirOrder) {
  SubDirSetting on(1);
  const fs::path first = freshDir("first"), second = freshDir("second");
  for (int i = 0; i < 300; ++i) writeBytes(first / ("f" + std::to_string(1000 + i) + ".png"), {});
  for (int i = 0; i < 5; ++i) writeBytes(second / ("s" + std::to_string(i) + ".png"), {});
  PictureListWidget list;
  int finished = 0;
  QObject::connect(&list, &PictureListWidget::scanFinished, [&] { ++finished; });
  list.QueueFolderScan(q(first));
  list.QueueFolderScan(q(second));
  EXPECT_TRUE(list.IsScanning());
  ASSERT_TRUE(waitFor([&] { return !list.IsScanning(); }));
  EXPECT_EQ(finished, 1);
  const QStringList got = paths(list);
  ASSERT_EQ(got.size(), 305);
  for (int i = 0; i < 300; ++i) EXPECT_TRUE(got[i].startsWith(q(first).toLower())) << i;
  for (int i = 300; i < 305; ++i) EXPECT_TRUE(got[i].startsWith(q(second).toLower())) << i;
  for (int i = 0; i < 305; ++i) {
    PictureItem item;
    list.ItemAt(i, item);
    EXPECT_EQ(item.index, i);
  }
}

TEST(PictureListAdd, DialogsDuplicatesAndPkv) {
  const fs::path dir = freshDir("dialog");
  writePicture(dir / "one.png", 4, 4);
  writeBytes(dir / "two.PKV", "not really");
  ScriptedDialogs dialogs;
  PictureListWidget list;
  QList<int> counts;
  int pkv = 0;
  QObject::connect(&list, &PictureListWidget::countChanged, [&](int n) { counts << n; });
  QObject::connect(&list, &PictureListWidget::pkvAdded, [&] { ++pkv; });

  dialogs.files = {q(dir / "one.png"), q(dir / "one.png"), q(dir / "notes.txt"), q(dir / "two.PKV")};
  list.AddPictures();
  ASSERT_EQ(dialogs.openFilters.size(), 1);
  EXPECT_TRUE(dialogs.openFilters[0].startsWith(
      "支持的图片格式(*.png;*.gif;*.bmp;*.tiff;*.wmf;*.jpg;*.jpeg;*.pkv) (*.bmp *.gif *.jpg *.jpeg"));
  EXPECT_TRUE(dialogs.openFilters[0].endsWith("*.pdd *.pkv)"));
  EXPECT_EQ(paths(list), (QStringList{lower(dir / "one.png"), lower(dir / "one.png"), lower(dir / "two.pkv")}));
  EXPECT_EQ(pkv, 1);
  ASSERT_FALSE(counts.isEmpty());
  EXPECT_EQ(counts.last(), 3);

  // Removing the .pkv item does not take the check box back: no signal says so.
  list.RemoveAt(2);
  EXPECT_EQ(counts.last(), 2);
  EXPECT_EQ(pkv, 1);

  // Cancelled dialogs change nothing.
  dialogs.files.clear();
  list.AddPictures();
  dialogs.answers.clear();
  list.AddFolder();
  EXPECT_EQ(dialogs.folderTitles, QStringList{"选择要添加的目录："});
  EXPECT_FALSE(list.IsScanning());
  EXPECT_EQ(list.Count(), 2);

  dialogs.answers = {q(dir)};
  list.AddFolder();
  ASSERT_TRUE(waitFor([&] { return !list.IsScanning(); }));
  EXPECT_EQ(list.Count(), 4);
  list.RemoveAll();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(counts.last(), 0);
}

TEST(PictureListAdd, RemovingTheThirdOfFiveClosesUpTheIndexes) {
  const fs::path dir = freshDir("five");
  PictureListWidget list;
  for (int i = 0; i < 5; ++i) list.AddFile(q(dir / ("p" + std::to_string(i) + ".png")));
  list.RemoveAt(2);
  ASSERT_EQ(list.Count(), 4);
  const char* expect[] = {"p0.png", "p1.png", "p3.png", "p4.png"};
  for (int i = 0; i < 4; ++i) {
    PictureItem item;
    ASSERT_TRUE(list.ItemAt(i, item));
    EXPECT_EQ(item.index, i);
    EXPECT_TRUE(item.path.endsWith(expect[i])) << item.path.toStdString();
  }
  EXPECT_FALSE(list.ItemAt(4, *std::make_unique<PictureItem>()));
  list.RemoveAt(7);  // outside: nothing happens
  EXPECT_EQ(list.Count(), 4);
}

TEST(PictureListAdd, DropOfAFolderAndTwoFiles) {
  SubDirSetting on(1);
  const fs::path dir = freshDir("drop");
  fs::create_directories(dir / "folder");
  writePicture(dir / "folder" / "inside.png", 4, 4);
  writePicture(dir / "First.png", 4, 4);
  writePicture(dir / "second.gif", 4, 4, "PNG");
  writeBytes(dir / "ignored.doc", "x");
  PictureListWidget list;
  list.resize(400, 300);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(q(dir / "folder")), QUrl::fromLocalFile(q(dir / "First.png")),
                QUrl::fromLocalFile(q(dir / "second.gif")), QUrl::fromLocalFile(q(dir / "ignored.doc")),
                QUrl("https://example.invalid/x.png")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&list, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&list, &drop);
  ASSERT_TRUE(waitFor([&] { return !list.IsScanning(); }));
  // Files come at once; the folder's files follow when its scan has run.
  EXPECT_EQ(paths(list), (QStringList{lower(dir / "first.png"), lower(dir / "second.gif"), lower(dir / "folder/inside.png")}));
}

TEST(PictureListAdd, HostileFolders) {
  SubDirSetting on(1);
  const fs::path dir = freshDir("hostile");
  fs::create_directories(dir / "loop");
  fs::create_symlink(dir, dir / "loop" / "back");  // a link up the tree
  fs::create_symlink(dir / "loop", dir / "loop" / "self");
  fs::create_symlink(dir / "missing.png", dir / "dangling.png");
  writePicture(dir / "loop" / "in loop.png", 4, 4);
  fs::create_directories(dir / "closed");
  writePicture(dir / "closed" / "hidden.png", 4, 4);
  chmod((dir / "closed").c_str(), 0);
  const char* odd[] = {"with space.png", "quote\"d'.png", "new\nline.png", "semi;colon.png"};
  for (const char* name : odd) writeBytes(dir / name, {});
  writeBytes(dir / std::string("bad\xff\xfe name.png"), {});  // not UTF-8

  PictureListWidget list;
  scanAndWait(list, dir);
  chmod((dir / "closed").c_str(), 0700);
  const QStringList got = paths(list);
  // Each real folder once: the loop's picture is listed once however the links point.
  EXPECT_EQ(got.count(lower(dir / "loop/in loop.png")), 1);
  for (const char* name : odd) EXPECT_TRUE(got.contains(lower(dir / name))) << name;
  EXPECT_TRUE(got.contains(lower(dir / "dangling.png")));
  EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const QString& p) { return p.contains(" name.png"); }), 1);
  if (getuid() != 0) { EXPECT_FALSE(got.contains(lower(dir / "closed/hidden.png"))); }
}

TEST(PictureListAdd, TenThousandEntriesArriveInOrderWithoutLoss) {
  const fs::path dir = freshDir("many");
  for (int i = 0; i < 10000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "img%05d.%s", i, i % 10 == 9 ? "txt" : "jpg");
    writeBytes(dir / name, {});
  }
  PictureListWidget list;
  list.resize(800, 600);
  list.show();
  scanAndWait(list, dir);
  ASSERT_EQ(list.Count(), 9000);
  PictureItem item;
  list.ItemAt(8999, item);
  EXPECT_TRUE(item.path.endsWith("img09998.jpg"));
  EXPECT_EQ(item.index, 8999);
}

TEST(PictureListAdd, ClosingDuringAScanCancelsIt) {
  const fs::path dir = freshDir("closing");
  for (int i = 0; i < 3000; ++i) writeBytes(dir / ("c" + std::to_string(i) + ".png"), {});
  auto list = std::make_unique<PictureListWidget>();
  list->QueueFolderScan(q(dir));
  list->QueueFolderScan(q(dir));
  list.reset();  // must return: cancels the scan, joins its thread, drops the waiting folder
  SUCCEED();
}
