// The list as the export's picture source: pictures handed out on the user interface thread,
// each once, while a scan appends and the user removes.
#include <QTimer>
#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "PictureSource.h"
#include "picturelist_support.h"

using namespace picturelist_test;

namespace {

class CountingObserver : public RunObserver {
 public:
  void OnItemDone(const PictureItem&, FailureKind, const QString&, const QString&) override { ++items; }
  void OnAllWorkersDone() override { ++done; }
  std::atomic<int> items{0};
  std::atomic<int> done{0};
};

}  // namespace

TEST(PictureListSource, HandOutOrderAndRemaining) {
  PictureListWidget list;
  for (int i = 0; i < 5; ++i) list.AddFile(QStringLiteral("/pictures/P%1.JPG").arg(i));
  PictureSource& source = list.Source();
  CountingObserver observer;
  source.Begin(1, &observer);
  EXPECT_EQ(source.Count(), 5);
  EXPECT_EQ(source.Remaining(), 5);
  PictureItem item;
  ASSERT_TRUE(source.Next(item));  // on the user interface thread: answered directly
  EXPECT_EQ(item.path, "/pictures/p0.jpg");
  EXPECT_EQ(item.filePath, "/pictures/P0.JPG");
  EXPECT_EQ(source.Remaining(), 4);
  list.RemoveAt(0);  // before the cursor: the next picture is still P1
  EXPECT_EQ(source.Remaining(), 4);
  list.RemoveAt(1);  // P2, not handed out yet: never will be
  EXPECT_EQ(source.Remaining(), 3);
  std::vector<QString> rest;
  while (source.Next(item)) rest.push_back(item.path);
  EXPECT_EQ(rest, (std::vector<QString>{"/pictures/p1.jpg", "/pictures/p3.jpg", "/pictures/p4.jpg"}));
  EXPECT_EQ(source.Remaining(), 0);
  source.ItemDone(item, ImageSlot{});
  EXPECT_EQ(observer.items, 1);
  source.WorkerDone();
  EXPECT_EQ(observer.done, 1);
  // A new run starts from the top.
  source.Begin(2, &observer);
  EXPECT_EQ(source.Remaining(), 3);
  list.RemoveAll();
  EXPECT_EQ(source.Remaining(), 0);
  EXPECT_FALSE(source.Next(item));
}

TEST(PictureListSource, TwoWorkersUnderScanAndRemoval) {
  const fs::path dir = freshDir("appended");
  for (int i = 0; i < 1500; ++i) writeBytes(dir / ("scan" + std::to_string(i) + ".png"), {});
  PictureListWidget list;
  for (int i = 0; i < 5000; ++i) list.AddFile(QStringLiteral("/start/%1.png").arg(i));
  PictureSource& source = list.Source();
  CountingObserver observer;
  source.Begin(2, &observer);

  std::atomic<bool> scanDone{false};
  QObject::connect(&list, &PictureListWidget::scanFinished, [&] { scanDone = true; });
  list.QueueFolderScan(q(dir));

  std::mutex handedLock;
  std::vector<QString> handed;
  auto work = [&] {
    PictureItem item;
    for (;;) {
      const bool scanWasDone = scanDone.load();
      if (!source.Next(item)) {
        if (scanWasDone) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      {
        std::lock_guard hold(handedLock);
        handed.push_back(item.path);
      }
      source.ItemDone(item, ImageSlot{});
    }
    source.WorkerDone();
  };
  std::thread first(work), second(work);

  // The user removes pictures here and there meanwhile.
  std::mt19937 random(14);
  std::set<QString> removed;
  int removals = 0;
  QTimer remover;
  QObject::connect(&remover, &QTimer::timeout, [&] {
    for (int k = 0; k < 3 && list.Count() > 0 && removals < 600; ++k, ++removals) {
      const int index = int(random() % unsigned(list.Count()));
      PictureItem item;
      list.ItemAt(index, item);
      removed.insert(item.path);
      list.RemoveAt(index);
    }
  });
  remover.start(1);
  const bool finished = waitFor([&] { return observer.done.load() == 1; }, 120000);
  remover.stop();
  first.join();
  second.join();
  ASSERT_TRUE(finished);

  std::set<QString> unique(handed.begin(), handed.end());
  EXPECT_EQ(unique.size(), handed.size()) << "a picture was handed out twice";
  EXPECT_EQ(observer.items.load(), int(handed.size()));
  // Everything still listed was handed out; nothing came from outside the list.
  for (int i = 0; i < list.Count(); ++i) {
    PictureItem item;
    list.ItemAt(i, item);
    EXPECT_TRUE(unique.count(item.path)) << item.path.toStdString();
  }
  EXPECT_EQ(size_t(list.Count()) + removed.size(), size_t(6500));
  for (const QString& path : unique)
    EXPECT_TRUE(path.startsWith("/start/") || path.startsWith(q(dir).toLower())) << path.toStdString();
  EXPECT_GT(removals, 0);
  EXPECT_EQ(source.Remaining(), 0);
}
