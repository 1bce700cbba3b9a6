// gallivo-batch end to end on real photographs (Debian's mate-backgrounds): the outputs are
// judged by tools nobody here wrote (identify, djpeg, convert, PIL), the exit statuses and
// messages by the text the runner prints.
#include <QFile>
#include <fstream>
#include <sstream>

#include "batch_support.h"

namespace {

using namespace batchtest;

const fs::path kPhotos = "/usr/share/backgrounds/mate/nature";

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs the runner of the build folder with the arguments (already shell-quoted).
Outcome RunBatch(const std::string& args, const std::string& env = {}) {
  const fs::path err = gallivo::test::freshDir("stderr") / "err.txt";
  Outcome o;
  const std::string command = "( " + env + " '" + (gallivo::test::buildDir() / "gallivo-batch").string() + "' " +
                              args + " 2>'" + err.string() + "' )";
  o.status = gallivo::test::run(command, &o.out);
  o.err = ReadFile(err);
  return o;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

void NeedTools() {
  for (const auto& [tool, package] : {std::pair{"identify", "imagemagick"}, std::pair{"convert", "imagemagick"},
                                      std::pair{"djpeg", "libjpeg-turbo-progs"}})
    ASSERT_TRUE(gallivo::test::haveTool(tool)) << tool << " is missing: install the Debian package " << package;
  ASSERT_TRUE(fs::exists(kPhotos / "Wood.jpg")) << "photographs missing: install the Debian package mate-backgrounds";
}

// identify's width, height and estimated JPEG quality.
std::string Identify(const fs::path& p) {
  std::string out;
  EXPECT_EQ(gallivo::test::run("identify -format '%w %h %Q' " + Quote(p), &out), 0) << out;
  return out;
}

bool Decodes(const fs::path& p) { return gallivo::test::run("djpeg -outfile /dev/null " + Quote(p)) == 0; }

class RunnerTest : public BatchTest {
 protected:
  void SetUp() override {
    BatchTest::SetUp();
    NeedTools();
  }
};

TEST_F(RunnerTest, SlimmingSizesAndQualities) {
  struct Case {
    const char* sets;
    const char* woodExpected;  // Wood.jpg is 2560 x 1920
  };
  const Case cases[] = {
      {"--set bPhotoResize=1 --set nResizeSimpleType=0", "310 232 80"},
      {"--set bPhotoResize=1 --set nResizeSimpleType=1", "500 375 80"},
      {"--set bPhotoResize=1 --set nResizeSimpleType=2 --set nResizeQuality=2", "700 525 80"},
      {"--set bPhotoResize=1 --set nResizeSimpleType=3 --set nResizeWidth=640 --set nResizeQuality=0", "640 480 85"},
      {"--set bPhotoResize=1 --set nResizeSimpleType=3 --set nResizeWidth=640 --set nResizeQuality=1", "640 480 75"},
      {"--set bPhotoResize=1 --set nResizeSimpleType=3 --set nResizeWidth=640 --set nResizeQuality=2", "640 480 65"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sets);
    const fs::path out = gallivo::test::freshDir("slim");
    const Outcome o = RunBatch("-q -o " + Quote(out) + " " + c.sets + " " + Quote(kPhotos / "Wood.jpg") + " " +
                               Quote(kPhotos / "FreshFlower.jpg"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("written 2, failed 0"), std::string::npos) << o.out;
    EXPECT_EQ(FileNames(out), (std::vector<std::string>{"freshflower.jpg", "wood.jpg"}));
    EXPECT_EQ(Identify(out / "wood.jpg"), c.woodExpected);
    for (const std::string& name : FileNames(out)) EXPECT_TRUE(Decodes(out / name)) << name;
  }
}

// The photograph with an EXIF block saying "turn 90 degrees clockwise to show" (orientation 6).
void WriteWithOrientation6(const fs::path& from, const fs::path& to) {
  std::string jpeg = ReadFile(from);
  ASSERT_GT(jpeg.size(), 4u);
  const unsigned char tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0,                       // header, IFD at 8
                                1, 0,                                              // one entry
                                0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0,          // Orientation = 6
                                0, 0, 0, 0};                                       // no next IFD
  std::string app1 = "Exif";
  app1 += std::string(2, '\0');
  app1.append(reinterpret_cast<const char*>(tiff), sizeof tiff);
  const size_t length = app1.size() + 2;
  std::string segment = "\xFF\xE1";
  segment += char(length >> 8);
  segment += char(length & 0xFF);
  segment += app1;
  jpeg.insert(2, segment);
  std::ofstream(to, std::ios::binary) << jpeg;
}

TEST_F(RunnerTest, ExifOrientationSixComesOutUpright) {
  const fs::path src = gallivo::test::freshDir("exif-src"), out = gallivo::test::freshDir("exif-out");
  WriteWithOrientation6(kPhotos / "LadyBird.jpg", src / "turned.jpg");  // 2560 x 1600 stored
  const Outcome o = RunBatch("-q -o " + Quote(out) + " --set bPhotoResize=1 --set nResizeSimpleType=1 " +
                             Quote(src / "turned.jpg"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Identify(out / "turned.jpg"), "500 800 80");
  // ImageMagick's idea of the upright picture at the same size.
  std::string log;
  ASSERT_EQ(gallivo::test::run("convert " + Quote(src / "turned.jpg") + " -auto-orient -resize '500x800!' " +
                                   Quote(src / "judge.png"),
                               &log),
            0)
      << log;
  const QImage ours = ReadPicture(out / "turned.jpg"), judge(Q(src / "judge.png"));
  ASSERT_FALSE(judge.isNull());
  EXPECT_LT(MeanDifference(ours, judge), 8.0);  // lossy JPEG and two resamplers
}

TEST_F(RunnerTest, ShowcaseJudgedByPil) {
  const fs::path dir = gallivo::test::freshDir("gif");
  const Outcome o = RunBatch("-q --gif " + Quote(dir / "show.gif") + " --set nGIFSpeed=250 " +
                             Quote(kPhotos / "Wood.jpg") + " " + Quote(kPhotos / "LadyBird.jpg") + " " +
                             Quote(kPhotos / "FreshFlower.jpg"));
  ASSERT_EQ(o.status, 0) << o.err;
  ASSERT_EQ(gallivo::test::run("/usr/bin/python3 -c 'import PIL'"), 0) << "install the Debian package python3-pil";
  std::string info;
  ASSERT_EQ(gallivo::test::run("/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" +
                                   (dir / "show.gif").string() +
                                   "'); d = []\nfor i in range(im.n_frames):\n    im.seek(i); "
                                   "d.append(im.info['duration'])\nprint(im.n_frames, im.size, im.info.get('loop'), d)\"",
                               &info),
            0)
      << info;
  // Canvas: Wood 500 x 375, LadyBird 500 x 312, FreshFlower 500 x 375.
  EXPECT_EQ(info, "3 (500, 375) 0 [250, 250, 250]\n");
  EXPECT_EQ(FileNames(dir), std::vector<std::string>{"show.gif"});  // no per-picture files
}

TEST_F(RunnerTest, RefusalsAndUsageErrors) {
  const fs::path dir = gallivo::test::freshDir("refuse");
  fs::create_directories(dir / "texts");
  std::ofstream(dir / "texts" / "readme.txt") << "not a picture";
  std::ofstream(dir / "settings-garbage.xml") << "<<<not xml";
  const std::string photo = Quote(kPhotos / "Wood.jpg"), out = "-o " + Quote(dir / "out");
  struct Case {
    std::string args;
    std::string env;
    const char* message;
  };
  const Case cases[] = {
      {out + " --set bPhotoResize=1 " + Quote(dir / "texts"), "", "您尚未添加需要处理的图片。"},
      {out + " " + photo, "", "您尚未选择图片生成效果。"},
      {out + " --set bPhotoMark=1 " + photo, "", "您尚未输入水印文字。"},
      {"--gif " + Quote(dir / "one.gif") + " " + photo, "", "您只添加了一张图片，无法生成动态展示图片。"},
      {out + " --set nResizeWidth=3001 " + photo, "", "图片宽度范围应该在1到3000之间"},
      {out + " --set nGIFSpeed=50 " + photo, "", "图片切换速度应该在0.1秒到10秒之间"},
      {out + " --set nMarkRotate=181 " + photo, "", "旋转角度应该在-180到180之间"},
      {out + " --set nResizeWidth=wide " + photo, "", "is not a whole number"},
      {out + " --set nosuch=1 " + photo, "", "unknown setting nosuch"},
      {out + " --set bPhotoResize " + photo, "", "--set wants KEY=VALUE"},
      {out + " --gif x.gif " + photo, "", "-o and --gif exclude each other"},
      {photo, "", "-o DIR or --gif FILE"},
      {out + " -j 0 " + photo, "", "-j wants a number"},
      {out + " --frobnicate " + photo, "", "unknown option --frobnicate"},
      {out + " --settings " + Quote(dir / "nowhere.xml") + " " + photo, "", "no such settings file"},
      {out + " --settings " + Quote(dir / "settings-garbage.xml") + " " + photo, "", "not a settings file"},
      {out + " --set bPhotoResize=1 " + photo, "GALLIVO_PROGRAM_DIR='" STAND_IN_FOLDER "'", "lacks the entry \"d\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome o = RunBatch(c.args, c.env);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
  // A settings file that cannot be read is left where it is.
  EXPECT_TRUE(fs::exists(dir / "settings-garbage.xml"));
  const Outcome help = RunBatch("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: gallivo-batch"), std::string::npos);
}

TEST_F(RunnerTest, FailuresNamedAndTheRestWritten) {
  const fs::path src = gallivo::test::freshDir("bad-src"), out = gallivo::test::freshDir("bad-out");
  // Provokes a decode failure in the middle of the data: the photograph cut in half.
  const std::string photo = ReadFile(kPhotos / "Garden.jpg");
  std::ofstream(src / "cut.jpg", std::ios::binary) << photo.substr(0, photo.size() / 2);
  const Outcome o = RunBatch("-q -o " + Quote(out) + " --set bPhotoResize=1 " + Quote(src / "cut.jpg") + " " +
                             Quote(src / "missing.jpg") + " " + Quote(kPhotos / "Wood.jpg"));
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find((src / "cut.jpg").string() + ": unreadable"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find((src / "missing.jpg").string() + ": unreadable"), std::string::npos) << o.err;
  EXPECT_NE(o.out.find("written 1, failed 2"), std::string::npos) << o.out;
  EXPECT_EQ(FileNames(out), std::vector<std::string>{"wood.jpg"});
}

TEST_F(RunnerTest, HostileSettingsFiles) {
  const fs::path dir = gallivo::test::freshDir("hostile-settings");
  struct Case {
    const char* what;
    const char* xml;
    int status;
    const char* woodExpected;  // identify of the output, or the failure text
  };
  const Case cases[] = {
      {"widths and choices outside their lists",
       "<settings><bPhotoResize>1</bPhotoResize><nResizeSimpleType>3</nResizeSimpleType>"
       "<nResizeWidth>0</nResizeWidth><nResizeQuality>120</nResizeQuality><bPhotoFrames>1</bPhotoFrames>"
       "<nFrameType>0</nFrameType><nFrameRoundRize>7</nFrameRoundRize><nFrameRoundPos>-3</nFrameRoundPos>"
       "<nGIFSpeed>-5</nGIFSpeed></settings>",
       0, "2560 1920 80"},
      {"width beyond the picture", "<settings><bPhotoResize>1</bPhotoResize><nResizeSimpleType>3</nResizeSimpleType>"
       "<nResizeWidth>99999</nResizeWidth></settings>", 0, "2560 1920 75"},
      {"frame index outside the catalogue",
       "<settings><bPhotoFrames>1</bPhotoFrames><nFrameType>1</nFrameType><nFrameFileIndex>999</nFrameFileIndex>"
       "</settings>",
       1, "Wood.jpg: frame file missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path out = gallivo::test::freshDir("hostile-out");
    std::ofstream(dir / "settings.xml") << c.xml;
    const Outcome o = RunBatch("-q -o " + Quote(out) + " --settings " + Quote(dir / "settings.xml") + " " +
                               Quote(kPhotos / "Wood.jpg"));
    EXPECT_EQ(o.status, c.status) << o.err;
    if (c.status == 0)
      EXPECT_EQ(Identify(out / "wood.jpg"), c.woodExpected);
    else
      EXPECT_NE(o.err.find(c.woodExpected), std::string::npos) << o.err;
  }
}

TEST_F(RunnerTest, NamesFoldersAndPkv) {
  const fs::path src = gallivo::test::freshDir("names-src");
  fs::create_directories(src / "nested" / "deeper");
  WritePicture(src / "a.png", Pattern(40, 30, 1), ZV_TYPE_PNG);
  WritePicture(src / "nested" / "a.jpg", Pattern(40, 30, 2));
  WritePicture(src / "nested" / "deeper" / "a.bmp", Pattern(40, 30, 3), ZV_TYPE_BMP);
  WritePicture(src / "nested" / "Photo.JPG", Pattern(40, 30, 4));
  fs::copy_file(kPhotos / "FreshFlower.jpg", src / "X.PKV");
  struct Case {
    const char* sets;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"--set bPhotoResize=1", {"a.jpg", "a[1].jpg", "a[2].jpg", "photo.jpg", "x.pkv"}},
      {"--set bPhotoResize=1 --set bPkvToJpg=1", {"a.jpg", "a[1].jpg", "a[2].jpg", "photo.jpg", "x.jpg"}},
      {"--set bPhotoResize=1 --set bSubDir=0", {"a.jpg", "x.pkv"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sets);
    const fs::path out = gallivo::test::freshDir("names-out");
    const Outcome o = RunBatch("-q -j 3 -o " + Quote(out) + " " + c.sets + " " + Quote(src));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(FileNames(out), c.names);
    for (const std::string& name : c.names) EXPECT_TRUE(Decodes(out / name)) << name;  // JPEG, also x.pkv
  }
}

TEST_F(RunnerTest, DefaultSettingsFileIsReadAndNeverChanged) {
  const fs::path data = gallivo::test::scratchRoot() / "XDG_DATA_HOME" / "Gallivo";
  fs::create_directories(data);
  const fs::path out = gallivo::test::freshDir("default-out");
  std::ofstream(data / "settings.xml")
      << "<settings><bPhotoResize>1</bPhotoResize><nResizeSimpleType>0</nResizeSimpleType></settings>";
  const std::string before = ReadFile(data / "settings.xml");
  Outcome o = RunBatch("-q -o " + Quote(out) + " --set nResizeSimpleType=1 " + Quote(kPhotos / "Wood.jpg"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Identify(out / "wood.jpg"), "500 375 80");  // file's slimming, --set's width
  EXPECT_EQ(ReadFile(data / "settings.xml"), before);
  // An unreadable file is not deleted by the runner, as it would be by the program.
  std::ofstream(data / "settings.xml") << "garbage";
  o = RunBatch("-q -o " + Quote(out) + " --set bPhotoResize=1 " + Quote(kPhotos / "Wood.jpg"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(data / "settings.xml"), "garbage");
}

}  // namespace
