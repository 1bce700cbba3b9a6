// Thumbnails: the fit into 115 x 115, broken and vanished files, the worker's queue and cache,
// turns, and the tile buttons driven with the mouse.
#include <QMouseEvent>
#include <mutex>
#include <condition_variable>

#include "PictureTileView.h"
#include "ThumbnailMaker.h"
#include "ThumbnailWorker.h"
#include "picturelist_support.h"

using namespace picturelist_test;

namespace {

const ListEntry& entryAt(const PictureListWidget& list, int index) { return list.Model().At(index); }

bool allSettled(const PictureListWidget& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (entryAt(list, i).state == kThumbPending) return false;
  return true;
}

void click(QWidget* target, const QPoint& at, bool twice = false) {
  QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
  if (twice) {
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &dbl);
  }
}

}  // namespace

TEST(PictureListThumbnail, FitNeverEnlarges) {
  const struct {
    int w, h, tw, th;
  } cases[] = {{300, 200, 115, 76}, {200, 300, 76, 115}, {50, 20, 50, 20}, {115, 115, 115, 115},
               {4000, 3000, 115, 86}, {1000, 1, 115, 1}, {1, 1000, 1, 115}, {116, 116, 115, 115}};
  for (const auto& c : cases) EXPECT_EQ(FitThumbnail(c.w, c.h), QSize(c.tw, c.th)) << c.w << "x" << c.h;
  EXPECT_EQ(FitThumbnail(0, 10), QSize());
}

TEST(PictureListThumbnail, MadeBrokenAndVanished) {
  bindEngine();
  const fs::path dir = freshDir("thumbs");
  writePicture(dir / "Wide.png", 300, 200);
  writePicture(dir / "tall.png", 200, 300);
  writePicture(dir / "small.png", 50, 20);
  writePicture(dir / "photo.jpg", 640, 480, "JPG");
  // A PNG signature followed by noise: the decoder must give up, not crash.
  writeBytes(dir / "corrupt.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(200, '\x5a'));
  writeBytes(dir / "empty.bmp", {});  // zero bytes
  writePicture(dir / "gone.png", 30, 30);
  PictureListWidget list;
  for (const char* name : {"Wide.png", "tall.png", "small.png", "photo.jpg", "corrupt.png", "empty.bmp",
                           "gone.png", "never-there.png"})
    list.AddFile(q(dir / name));
  fs::remove(dir / "gone.png");  // listed, then removed from disk
  list.resize(900, 700);
  list.show();
  ASSERT_TRUE(waitFor([&] { return allSettled(list); }));

  const struct {
    int state;
    QSize size;
  } expect[] = {{kThumbMade, {115, 76}}, {kThumbMade, {76, 115}}, {kThumbMade, {50, 20}},
                {kThumbMade, {115, 86}}, {kThumbFailed, {0, 0}},     {kThumbFailed, {0, 0}},
                {kThumbFailed, {0, 0}},      {kThumbFailed, {0, 0}}};
  ASSERT_EQ(list.Count(), 8);  // broken pictures stay listed
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(entryAt(list, i).state, expect[i].state) << i;
    EXPECT_EQ(entryAt(list, i).thumbnail.size(), expect[i].size) << i;
  }
  // The gradient survives the decode: left edge dark red, right edge bright red.
  const QImage& wide = entryAt(list, 0).thumbnail;
  EXPECT_LT(qRed(wide.pixel(0, 38)), 40);
  EXPECT_GT(qRed(wide.pixel(114, 38)), 215);
  // Turns and edits do nothing on a broken tile.
  EXPECT_FALSE(list.Rotate(4, 1));
  EXPECT_EQ(entryAt(list, 4).item.rotation, 0);
  list.grab();  // paints every kind of tile
}

TEST(PictureListThumbnail, FourLeftTurnsComeBackUnchanged) {
  bindEngine();
  const fs::path dir = freshDir("turns");
  writePicture(dir / "turn.png", 90, 40);
  PictureListWidget list;
  list.AddFile(q(dir / "turn.png"));
  EXPECT_FALSE(list.Rotate(0, -1));  // not made yet
  list.resize(400, 300);
  list.show();
  ASSERT_TRUE(waitFor([&] { return allSettled(list); }));
  const QImage first = entryAt(list, 0).thumbnail;
  ASSERT_EQ(first.size(), QSize(90, 40));

  const int expectRotation[] = {3, 2, 1, 0};
  for (int turn = 0; turn < 4; ++turn) {
    ASSERT_TRUE(list.Rotate(0, -1));
    EXPECT_EQ(entryAt(list, 0).item.rotation, expectRotation[turn]);
    EXPECT_EQ(entryAt(list, 0).thumbnail.size(), turn % 2 == 0 ? QSize(40, 90) : QSize(90, 40));
  }
  EXPECT_EQ(entryAt(list, 0).thumbnail, first);
  // One right turn: the top-left pixel goes to the top-right corner.
  ASSERT_TRUE(list.Rotate(0, +1));
  EXPECT_EQ(entryAt(list, 0).item.rotation, 1);
  EXPECT_EQ(entryAt(list, 0).thumbnail.pixel(39, 0), first.pixel(0, 0));
  PictureItem handed;
  list.ItemAt(0, handed);
  EXPECT_EQ(handed.rotation, 1);
}

TEST(PictureListThumbnail, RemadeThumbnailKeepsTheTurns) {
  PictureListModel model;
  const FoundPicture p{"/x/a.png", "/x/a.png"};
  model.Append(std::span(&p, 1));
  const quint64 id = model.At(0).id;
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(Qt::blue);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  model.SetThumbnail(id, image, true);
  ASSERT_TRUE(model.Rotate(0, +1));
  model.Evict(id);
  EXPECT_EQ(model.At(0).state, kThumbPending);
  EXPECT_TRUE(model.At(0).thumbnail.isNull());
  model.SetThumbnail(id, image, true);  // made again, upright as decoded
  EXPECT_EQ(model.At(0).thumbnail.size(), QSize(10, 20));
  EXPECT_EQ(model.At(0).thumbnail.pixel(9, 0), qRgb(255, 0, 0));
  model.SetThumbnail(id + 7, image, true);  // an entry that is gone: ignored
}

TEST(PictureListThumbnail, WorkerReplacesPendingRequestsAndEvictsTheOldest) {
  std::mutex lock;
  std::condition_variable wake;
  bool open = false;
  std::vector<QString> madeFor;
  ThumbnailWorker worker(
      [&](const QString& path) {
        std::unique_lock hold(lock);
        wake.wait(hold, [&] { return open; });
        madeFor.push_back(path);
        return QImage(4, 4, QImage::Format_RGB32);
      },
      2);
  std::vector<quint64> made, evicted;
  QObject::connect(&worker, &ThumbnailWorker::made, [&](quint64 id, QImage, bool ok) {
    EXPECT_TRUE(ok);
    made.push_back(id);
  });
  QObject::connect(&worker, &ThumbnailWorker::evicted, [&](quint64 id) { evicted.push_back(id); });

  worker.PostReplace({{1, "a"}, {2, "b"}, {3, "c"}});
  QThread::msleep(50);  // the worker is now inside the maker for "a"
  worker.PostReplace({{4, "d"}, {5, "e"}});
  worker.PostForget(5);
  {
    std::lock_guard hold(lock);
    open = true;
  }
  wake.notify_all();
  ASSERT_TRUE(waitFor([&] { return made.size() == 2; }));
  EXPECT_EQ(made, (std::vector<quint64>{1, 4}));
  EXPECT_TRUE(evicted.empty());

  worker.PostReplace({{6, "f"}, {4, "d again"}});  // 4 is cached already: made once
  ASSERT_TRUE(waitFor([&] { return made.size() == 3; }));
  QThread::msleep(50);
  QCoreApplication::processEvents();
  EXPECT_EQ(made.back(), 6u);
  EXPECT_EQ(evicted, std::vector<quint64>{1});  // the cache holds two
  EXPECT_EQ(madeFor, (std::vector<QString>{"a", "d", "f"}));
}

TEST(PictureListThumbnail, TileButtonsWithTheMouse) {
  bindEngine();
  const fs::path dir = freshDir("buttons");
  for (const char* name : {"one.png", "two.png", "three.png"}) writePicture(dir / name, 60, 30);
  PictureListWidget list;
  for (const char* name : {"one.png", "two.png", "three.png"}) list.AddFile(q(dir / name));
  list.resize(600, 400);
  list.show();
  ASSERT_TRUE(waitFor([&] { return allSettled(list); }));
  PictureTileView* view = list.View();
  QWidget* port = view->viewport();

  EXPECT_EQ(view->ToolTipAt(view->ButtonRect(1, TileButton::RotateLeft).center()), "左旋转图片");
  EXPECT_EQ(view->ToolTipAt(view->ButtonRect(1, TileButton::RotateRight).center()), "右旋转图片");
  EXPECT_EQ(view->ToolTipAt(view->ButtonRect(1, TileButton::Edit).center()), "编辑图片");
  EXPECT_EQ(view->ToolTipAt(view->ButtonRect(1, TileButton::Remove).center()), "从列表中移除图片");
  EXPECT_EQ(view->ToolTipAt(view->TileRect(1).topLeft() + QPoint(40, 30)), q(dir / "two.png"));
  EXPECT_EQ(view->ToolTipAt(QPoint(590, 390)), QString());

  // Hovering a button shows the hand.
  QMouseEvent move(QEvent::MouseMove, view->ButtonRect(0, TileButton::Edit).center(), QPoint(), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(port, &move);
  EXPECT_EQ(port->cursor().shape(), Qt::PointingHandCursor);
  QMouseEvent away(QEvent::MouseMove, view->TileRect(0).topLeft() + QPoint(30, 20), QPoint(), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(port, &away);
  EXPECT_EQ(port->cursor().shape(), Qt::ArrowCursor);

  click(port, view->ButtonRect(1, TileButton::RotateRight).center());
  EXPECT_EQ(entryAt(list, 1).item.rotation, 1);
  EXPECT_EQ(entryAt(list, 1).thumbnail.size(), QSize(30, 60));
  click(port, view->ButtonRect(1, TileButton::RotateLeft).center());
  click(port, view->ButtonRect(1, TileButton::RotateLeft).center());
  EXPECT_EQ(entryAt(list, 1).item.rotation, 3);

  click(port, view->ButtonRect(0, TileButton::Remove).center());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_TRUE(entryAt(list, 0).item.path.endsWith("two.png"));
  EXPECT_EQ(entryAt(list, 0).item.index, 0);
  EXPECT_EQ(entryAt(list, 1).item.index, 1);
  list.grab();
}
