#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "SetMgr.h"
#include "TestEnv.h"
#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;
using gallivo::test::readText;
using gallivo::test::writeText;

const std::string kDefaultsDocument =
    "<settings><bSubDir>1</bSubDir><bPhotoResize>0</bPhotoResize><bPhotoFrames>0</bPhotoFrames>"
    "<bPhotoMark>0</bPhotoMark><nResizeType>0</nResizeType><nResizeSimpleType>0</nResizeSimpleType>"
    "<nResizeWidth>310</nResizeWidth><nResizeHeight>310</nResizeHeight><nResizeQuality>1</nResizeQuality>"
    "<nFrameType>1</nFrameType><nFrameRoundPos>0</nFrameRoundPos><nFrameRoundRize>0</nFrameRoundRize>"
    "<nFrameFileIndex>0</nFrameFileIndex><nMarkStyle>0</nMarkStyle>"
    "<strMarkText>请在此处输入水印文字</strMarkText><strMarkFont>黑体</strMarkFont>"
    "<nMarkFontSize>22</nMarkFontSize><bMarkFontBold>0</bMarkFontBold><bMarkFontIt>0</bMarkFontIt>"
    "<bMarkFontUnder>0</bMarkFontUnder><strMarkPicPath/><nMarkPosStyle>0</nMarkPosStyle>"
    "<nMarkPosSimple>0</nMarkPosSimple><nMarkPosTopUnit>1</nMarkPosTopUnit>"
    "<nMarkPosLeftUnit>1</nMarkPosLeftUnit><nMarkPosTop>15</nMarkPosTop><nMarkPosLeft>15</nMarkPosLeft>"
    "<nMarkSpace>20</nMarkSpace><nMarkRows>0</nMarkRows><nMarkRotate>0</nMarkRotate>"
    "<nMarkTransparent>20</nMarkTransparent><strExportDir/><bPhotoGIF>0</bPhotoGIF>"
    "<nGIFSpeed>1000</nGIFSpeed></settings>";

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each test gets its own data folder.
    dataHome = gallivo::test::freshDir("data");
    setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    file = dataHome / "Gallivo" / "settings.xml";
    s.ResetToDefaults();
  }
  void TearDown() override { s.ResetToDefaults(); }
  // Loads a document written by hand into a fresh instance.
  bool load(const std::string& doc) {
    fs::create_directories(file.parent_path());
    writeText(file, doc);
    s.ResetToDefaults();
    return s.LoadSettings();
  }
  fs::path dataHome, file;
  CSetMgr& s = CSetMgr::Instance();
};

TEST_F(SettingsFile, DefaultsAreWrittenExactly) {
  ASSERT_TRUE(s.SaveSettings());
  EXPECT_EQ(readText(file), kDefaultsDocument);
  EXPECT_EQ(s.SettingsFilePath().toStdString(), file.string());
  ASSERT_TRUE(gallivo::test::needTool("xmllint", "libxml2-utils"));
  {
    std::string out;
    EXPECT_EQ(gallivo::test::run("xmllint --noout --encode UTF-8 '" + file.string() + "'", &out), 0) << out;
  }
  ASSERT_TRUE(s.LoadSettings());
  EXPECT_TRUE(s.Data() == SettingsData{});
}

TEST_F(SettingsFile, EveryFieldRoundTripsAndRunTimeFieldsStayOut) {
  s.set_bSubDir(0);
  s.set_bPhotoGIF(1);
  s.set_nGIFSpeed(1500);
  s.set_nResizeType(-3);
  s.set_nResizeHeight(77);
  s.set_nFrameRoundRize(7);  // an index beyond its list is stored as it is
  s.set_strMarkText(QStringLiteral("<店铺> & \"名\" 'x' ]]> \U0001F600"));
  s.set_strMarkPicPath(QStringLiteral("/home/u/mark.png"));
  s.set_strExportDir(QStringLiteral("/home/u/out/"));
  s.set_nMarkRows(-2);
  s.set_nMarkRotate(-180);
  s.set_nMarkColor(0x123456);
  s.set_bPkvToJpg(1);
  s.set_strGIFPath(QStringLiteral("/tmp/a.gif"));
  SettingsData saved = s.Data();
  ASSERT_TRUE(s.SaveSettings());
  std::string text = readText(file);
  EXPECT_NE(text.find("<strMarkText>&lt;店铺&gt; &amp; "), std::string::npos) << text;
  for (const char* runtime : {"nMarkColor", "bPkvToJpg", "strGIFPath", "nChangeFlags", "bReportInvalid"})
    EXPECT_EQ(text.find(runtime), std::string::npos) << runtime;
  s.ResetToDefaults();
  ASSERT_TRUE(s.LoadSettings());
  SettingsData expect = saved;
  // Run-time fields start at their defaults in every process.
  SettingsData defaults;
  expect.nMarkColor = defaults.nMarkColor;
  expect.bPkvToJpg = defaults.bPkvToJpg;
  expect.strGIFPath = defaults.strGIFPath;
  expect.nChangeFlags = s.nChangeFlags();
  EXPECT_TRUE(s.Data() == expect);
  EXPECT_EQ(s.strMarkText(), saved.strMarkText);
}

TEST_F(SettingsFile, LoadingRules) {
  const struct {
    const char* what;
    std::string doc;
    std::function<void(const CSetMgr&)> check;
  } cases[] = {
      {"elements in another order, root name not checked",
       "<x><nGIFSpeed>2000</nGIFSpeed><strMarkFont>宋体</strMarkFont><bSubDir>0</bSubDir></x>",
       [](const CSetMgr& m) {
         EXPECT_EQ(m.nGIFSpeed(), 2000);
         EXPECT_EQ(m.strMarkFont(), QStringLiteral("宋体"));
         EXPECT_EQ(m.bSubDir(), 0);
       }},
      {"missing elements keep their defaults", "<settings><nMarkSpace>9</nMarkSpace></settings>",
       [](const CSetMgr& m) {
         EXPECT_EQ(m.nMarkSpace(), 9);
         EXPECT_EQ(m.nResizeWidth(), 310);
         EXPECT_EQ(m.strMarkText(), QStringLiteral("请在此处输入水印文字"));
       }},
      {"speed clamped without a message", "<settings><nGIFSpeed>50</nGIFSpeed></settings>",
       [](const CSetMgr& m) { EXPECT_EQ(m.nGIFSpeed(), 100); }},
      {"speed clamped above", "<settings><nGIFSpeed>99999</nGIFSpeed></settings>",
       [](const CSetMgr& m) { EXPECT_EQ(m.nGIFSpeed(), 10000); }},
      {"other values unchecked",
       "<settings><nResizeWidth>99999</nResizeWidth><nMarkFontSize>-5</nMarkFontSize>"
       "<nMarkTransparent>0</nMarkTransparent></settings>",
       [](const CSetMgr& m) {
         EXPECT_EQ(m.nResizeWidth(), 99999);
         EXPECT_EQ(m.nMarkFontSize(), -5);
         EXPECT_EQ(m.nMarkTransparent(), 0);
       }},
      {"numbers read like wide string-to-int",
       "<settings><nResizeWidth>  \t42px</nResizeWidth><nMarkRows>-7</nMarkRows><nMarkSpace>abc</nMarkSpace>"
       "<nMarkPosTop>+8</nMarkPosTop><nMarkPosLeft>99999999999</nMarkPosLeft><nMarkRotate/>"
       "<nResizeHeight>-99999999999</nResizeHeight></settings>",
       [](const CSetMgr& m) {
         EXPECT_EQ(m.nResizeWidth(), 42);
         EXPECT_EQ(m.nMarkRows(), -7);
         EXPECT_EQ(m.nMarkSpace(), 0);
         EXPECT_EQ(m.nMarkPosTop(), 8);
         EXPECT_EQ(m.nMarkPosLeft(), INT32_MAX);
         EXPECT_EQ(m.nMarkRotate(), 0);
         EXPECT_EQ(m.nResizeHeight(), INT32_MIN);
       }},
      {"strings as they stand, nested text concatenated, first element of a name wins",
       "<settings><strMarkText>  a<b>c</b>&amp;d  </strMarkText><strMarkText>second</strMarkText>"
       "<strExportDir></strExportDir><strMarkFont><![CDATA[<x>]]></strMarkFont></settings>",
       [](const CSetMgr& m) {
         EXPECT_EQ(m.strMarkText(), QStringLiteral("  ac&d  "));
         EXPECT_EQ(m.strExportDir(), QString());
         EXPECT_EQ(m.strMarkFont(), QStringLiteral("<x>"));
       }},
      {"white space around the root", "\n  <settings>\n  <nMarkSpace>5</nMarkSpace>\n</settings>\n",
       [](const CSetMgr& m) { EXPECT_EQ(m.nMarkSpace(), 5); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(load(c.doc));
    c.check(s);
    EXPECT_TRUE(fs::exists(file));
  }
}

TEST_F(SettingsFile, UnreadableFilesAreDeletedAndDefaultsStand) {
  const struct {
    const char* fault;
    std::string doc;
  } cases[] = {
      {"begins with an XML declaration", "<?xml version=\"1.0\"?><settings><nMarkSpace>5</nMarkSpace></settings>"},
      {"a comment before the root", "<!-- c --><settings><nMarkSpace>5</nMarkSpace></settings>"},
      {"a document type before the root", "<!DOCTYPE settings><settings><nMarkSpace>5</nMarkSpace></settings>"},
      {"not XML at all", "bSubDir=1\nnMarkSpace=5\n"},
      {"empty file", ""},
      {"truncated in the middle", kDefaultsDocument.substr(0, kDefaultsDocument.size() / 2)},
      {"unclosed element", "<settings><nMarkSpace>5</settings>"},
      {"text after the root", "<settings><nMarkSpace>5</nMarkSpace></settings>junk"},
      {"undefined entity", "<settings><strMarkText>&nope;</strMarkText></settings>"},
      {"invalid UTF-8", "<settings><strMarkText>\xFF\xFE</strMarkText></settings>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    s.set_nMarkSpace(20);
    EXPECT_FALSE(load(c.doc));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(s.Data() == SettingsData{});
  }
  // No file at all: defaults, nothing created.
  EXPECT_FALSE(s.LoadSettings());
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(SettingsFile, TextThatXmlCannotHoldIsDroppedSoTheFileStaysReadable) {
  s.set_strMarkText(QString::fromUtf16(u"a\u0001b\u0008c") + QChar(char16_t(0xD800)) + QStringLiteral("d\tz"));
  ASSERT_TRUE(s.SaveSettings());
  s.ResetToDefaults();
  ASSERT_TRUE(s.LoadSettings());
  EXPECT_EQ(s.strMarkText(), QStringLiteral("abcd\tz"));
}

TEST_F(SettingsFile, FormattedByXmllintLoadsTheSame) {
  ASSERT_TRUE(gallivo::test::needTool("xmllint", "libxml2-utils"));
  s.set_strMarkText(QStringLiteral("水印 <&> text"));
  s.set_nMarkRows(3);
  s.set_strExportDir(QStringLiteral("/out dir/"));
  s.set_nChangeFlags(0);
  SettingsData saved = s.Data();
  ASSERT_TRUE(s.SaveSettings());
  // xmllint adds a declaration, which we treat as unreadable by design: drop that line.
  std::string out;
  ASSERT_EQ(gallivo::test::run("xmllint --format '" + file.string() + "' | tail -n +2 > '" + file.string() +
                                   ".fmt' && mv '" + file.string() + ".fmt' '" + file.string() + "'",
                               &out),
            0)
      << out;
  ASSERT_NE(readText(file).find("\n  <nMarkRows>3</nMarkRows>\n"), std::string::npos);
  s.ResetToDefaults();
  ASSERT_TRUE(s.LoadSettings());
  EXPECT_TRUE(s.Data() == saved);
}

TEST_F(SettingsFile, FallsBackToTheCurrentFolder) {
  // The data folder is a plain file, so Gallivo/ cannot be made inside it.
  fs::path blocker = gallivo::test::freshDir("blocked") / "not-a-folder";
  writeText(blocker, "x");
  setenv("XDG_DATA_HOME", blocker.c_str(), 1);
  fs::path cwd = gallivo::test::freshDir("cwd");
  fs::path old = fs::current_path();
  fs::current_path(cwd);
  EXPECT_EQ(CSetMgr::SettingsFilePath(), QStringLiteral("settings.xml"));
  s.set_nMarkSpace(11);
  EXPECT_TRUE(s.SaveSettings());
  s.ResetToDefaults();
  EXPECT_TRUE(s.LoadSettings());
  EXPECT_EQ(s.nMarkSpace(), 11);
  fs::current_path(old);
  EXPECT_EQ(readText(cwd / "settings.xml").rfind("<settings>", 0), 0u);
}

TEST_F(SettingsFile, AFolderInTheWayIsNeitherReadNorReplaced) {
  fs::create_directories(file / "inner");
  EXPECT_FALSE(s.LoadSettings());
  EXPECT_FALSE(s.SaveSettings());
  EXPECT_TRUE(fs::is_directory(file / "inner"));
}

TEST_F(SettingsFile, TwoProcessesSavingAtOnceLeaveOneCompleteFile) {
  // Long texts widen the window in which a non-atomic write would be seen half done.
  const int kWriters = 2, kRounds = 40;
  auto textOf = [](int writer) { return QString(200000, QChar(u'a' + writer)); };
  ASSERT_TRUE(s.SaveSettings());
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      CSetMgr& mine = CSetMgr::Instance();
      mine.set_strMarkText(textOf(w));
      mine.set_nMarkRows(w + 1);
      bool ok = true;
      for (int r = 0; r < kRounds; ++r) ok = mine.SaveSettings() && ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  // Meanwhile every read sees a whole document.
  std::vector<int> status(kWriters, -1);
  for (int left = kWriters; left > 0;) {
    std::string text = readText(file);
    EXPECT_TRUE(text.size() > 1000 && text.compare(text.size() - 11, 11, "</settings>") == 0)
        << "partial file of " << text.size() << " bytes";
    for (int w = 0; w < kWriters; ++w)
      if (status[w] == -1 && waitpid(children[w], &status[w], WNOHANG) == children[w]) --left;
  }
  for (int st : status) EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  s.ResetToDefaults();
  ASSERT_TRUE(s.LoadSettings());
  ASSERT_GE(s.nMarkRows(), 1);
  ASSERT_LE(s.nMarkRows(), kWriters);
  EXPECT_EQ(s.strMarkText(), textOf(s.nMarkRows() - 1));  // all from the same writer
  // No temporary files are left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

}  // namespace
