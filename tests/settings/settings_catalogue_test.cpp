#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FrameCatalogue.h"
#include "TestEnv.h"
#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;
using gallivo::test::writeText;

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    program = gallivo::test::freshDir("program");
    setenv("GALLIVO_PROGRAM_DIR", program.c_str(), 1);
    frames = program / "data" / "frames";
    fs::create_directories(frames / "previews");
    QImage preview(40, 30, QImage::Format_RGB32);
    preview.fill(Qt::red);
    ASSERT_TRUE(preview.save(QString::fromStdString((frames / "previews" / "a.png").string())));
    c.Clear();
  }
  void TearDown() override {
    c.Clear();
    unsetenv("GALLIVO_PROGRAM_DIR");
  }
  bool load(const std::string& doc) {
    writeText(frames / "frames_config.xml", doc);
    c.Clear();
    return c.LoadCatalogue();
  }
  fs::path program, frames;
  FrameCatalogue& c = FrameCatalogue::Instance();
};

TEST_F(Catalogue, ItemsInDocumentOrderWithTheirFields) {
  ASSERT_TRUE(load(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<config><frames>\n"
      "  <item><frame_name>蓝色</frame_name><frame_path>blue\\blue.zlf</frame_path>"
      "<preview_path>previews\\a.png</preview_path></item>\n"
      "  <group><frames><item><frame_name>nested</frame_name></item></frames></group>\n"
      "  <item><preview_path>previews/missing.png</preview_path><frame_name>no preview</frame_name>"
      "<frame_path>x.ini</frame_path></item>\n"
      "</frames>\n"
      "<item><frame_name>not under frames</frame_name></item>\n"
      "<frames><item><frame_name>second list</frame_name><preview_path>previews/a.png</preview_path></item></frames>"
      "</config>"));
  ASSERT_EQ(c.Count(), 4);
  const char16_t* names[] = {u"蓝色", u"nested", u"no preview", u"second list"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(c.Entry(i)->name, QString::fromUtf16(names[i])) << i;
  const FrameEntry* first = c.Entry(0);
  EXPECT_EQ(first->framePath, QStringLiteral("blue\\blue.zlf"));  // kept as written
  EXPECT_EQ(first->previewPath.toStdString(), (frames / "previews" / "a.png").string());
  EXPECT_EQ(first->preview.size(), QSize(40, 30));
  EXPECT_EQ(c.FrameFilePath(0).toStdString(), (frames / "blue" / "blue.zlf").string());
  EXPECT_TRUE(c.Entry(1)->framePath.isEmpty());  // missing fields are empty
  EXPECT_TRUE(c.Entry(2)->preview.isNull());     // missing preview tolerated
  EXPECT_FALSE(c.Entry(3)->preview.isNull());

  c.ReleasePreviews();
  EXPECT_EQ(c.Count(), 4);
  EXPECT_TRUE(c.Entry(0)->preview.isNull());
}

TEST_F(Catalogue, IndexesOutsideAreNeverRead) {
  ASSERT_TRUE(load("<frames><item><frame_name>one</frame_name></item></frames>"));
  for (int index : {-1, 1, 7, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(c.Entry(index), nullptr) << index;
    EXPECT_TRUE(c.FrameFilePath(index).isEmpty()) << index;
  }
}

TEST_F(Catalogue, FailuresGiveAnEmptyCatalogue) {
  const struct {
    const char* fault;
    std::string doc;
  } cases[] = {
      {"not XML", "frame_name=one"},
      {"unclosed item", "<frames><item><frame_name>one</frame_name></frames>"},
      {"empty file", ""},
  };
  for (const auto& f : cases) {
    EXPECT_FALSE(load(f.doc)) << f.fault;
    EXPECT_EQ(c.Count(), 0) << f.fault;
  }
  fs::remove(frames / "frames_config.xml");
  EXPECT_FALSE(c.LoadCatalogue());
  // A preview that is not a picture: listed without one.
  writeText(frames / "previews" / "bad.png", "\x89PNG\r\n\x1a\n truncated");
  ASSERT_TRUE(load("<frames><item><frame_name>x</frame_name><preview_path>previews/bad.png</preview_path></item>"
                   "<item><frame_name>y</frame_name><preview_path>previews</preview_path></item></frames>"));
  ASSERT_EQ(c.Count(), 2);
  EXPECT_TRUE(c.Entry(0)->preview.isNull());
  EXPECT_TRUE(c.Entry(1)->preview.isNull());  // a folder named as the preview
}

}  // namespace
