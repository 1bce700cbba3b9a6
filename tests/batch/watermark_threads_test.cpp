// Two export workers and the preview thread stamp at the same time, through the shared font
// cache: every thread's pictures come out exactly as when stamped alone.
#include <gtest/gtest.h>

#include <QImage>
#include <atomic>
#include <thread>
#include <vector>

#include "FontCache.h"
#include "PictureMarkStep.h"
#include "TextMarkStep.h"
#include "TestEnv.h"
#include "watermark_fixture.h"

using namespace wmtest;

namespace {

// One job per thread: a text mark in its own face and style, tiled, then a turned logo.
struct Job {
  TextMarkSettings text;
  PictureMarkSettings picture;
};

std::vector<Job> Jobs(const QString& logoPath) {
  const char16_t* faces[] = {u"黑体", u"宋体", u"不存在的字体"};
  std::vector<Job> jobs;
  for (int i = 0; i < 3; ++i) {
    Job j;
    j.text.face = QString::fromUtf16(faces[i]);
    j.text.size = 14 + 4 * i;
    j.text.bold = i == 1;
    j.text.italic = i == 2;
    j.text.underline = i == 0;
    j.text.rotate = 30 * i - 20;
    j.text.layout.posStyle = 1;
    j.text.layout.space = 8;
    j.picture.path = logoPath;
    j.picture.rotate = 15 + 10 * i;
    j.picture.layout.position = i + 6;
    jobs.push_back(j);
  }
  return jobs;
}

QByteArray Stamped(const Job& job, const QImage& logo) {
  ImageOwner pic = MakePicture(240, 180, QColor(40, 80, 120));
  if (!pic) return {};
  StampTextMarkOnImage(pic.get(), job.text);
  StampPictureMarkOnImage(pic.get(), logo, job.picture);
  return Hash(Pixels(pic.get()));
}

TEST(WatermarkThreads, ConcurrentStampsMatchTheSingleThreadedResult) {
  ASSERT_TRUE(EngineBound());
  QImage source(24, 16, QImage::Format_ARGB32);
  source.fill(QColor(250, 200, 0, 180));
  const QString logoPath = QString::fromStdString((gallivo::test::freshDir("logo") / "logo.png").string());
  ASSERT_TRUE(source.save(logoPath));
  const std::vector<Job> jobs = Jobs(logoPath);

  std::vector<QByteArray> expected;
  for (const Job& j : jobs) expected.push_back(Stamped(j, ReadMarkPicture(logoPath)));
  for (const QByteArray& e : expected) ASSERT_FALSE(e.isEmpty());

  constexpr int kRounds = 6;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (size_t t = 0; t < jobs.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r) {
        // Each thread reads its own copy of the logo, as the step does once per picture.
        if (Stamped(jobs[t], ReadMarkPicture(logoPath)) != expected[t]) ++mismatches;
        // A new font key now and then, so the cache is written while others read it.
        MarkFontKey key{QStringLiteral("黑体"), 100 + int(t) * kRounds + r, false, false, false};
        if (FontCache::Instance().Get(key)->family.isEmpty()) ++mismatches;
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
