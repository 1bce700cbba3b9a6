// Output names: base name and extension rules, "[n]" for a taken name, and the reservation
// that keeps two workers from choosing the same name or overwriting anything.
#include <QFile>
#include <set>
#include <thread>

#include "OutputName.h"
#include "PictureFiles.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

class NamingTest : public BatchTest {};

TEST_F(NamingTest, BaseNameAndExtension) {
  struct Case {
    const char* listed;  // as the list holds it (lower-cased)
    int pkvToJpg;
    const char* base;
    const char* extension;
  };
  const Case cases[] = {
      {"/p/photo.jpg", 0, "photo", ".jpg"},
      {"/p/a.b.c.png", 0, "a.b.c", ".jpg"},
      {"/p/x.pkv", 0, "x", ".pkv"},
      {"/p/x.pkv", 1, "x", ".jpg"},
      {"/p/x.pkv.png", 0, "x.pkv", ".jpg"},
      {"/p/noext", 0, "noext", ".jpg"},
      {"/deep/nested/folder/y.tif", 0, "y", ".jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.listed);
    EXPECT_EQ(OutputBaseName(QString::fromUtf8(c.listed)).toStdString(), c.base);
    EXPECT_EQ(OutputExtension(QString::fromUtf8(c.listed), c.pkvToJpg).toStdString(), c.extension);
  }
  // The list lower-cases what it adds: Photo.JPG is written as photo.jpg, X.PKV counts as .pkv.
  EXPECT_EQ(FixedPictureSource::ItemFor(QStringLiteral("/p/Photo.JPG")).path, QStringLiteral("/p/photo.jpg"));
  EXPECT_EQ(OutputExtension(FixedPictureSource::ItemFor(QStringLiteral("/p/X.PKV")).path, false),
            QStringLiteral(".pkv"));
  // Base names are cut to 1023 characters.
  EXPECT_EQ(OutputBaseName(QString(2000, QLatin1Char('n')) + QStringLiteral(".jpg")).size(), 1023);
}

TEST_F(NamingTest, TakenNamesGetANumberAndStayUntouched) {
  const fs::path out = gallivo::test::freshDir("taken");
  CSetMgr::Instance().set_strExportDir(Q(out));  // no trailing slash: added
  {
    QFile keep(Q(out / "a[1].jpg"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("keep me");
  }
  QString error;
  EXPECT_EQ(MakeOutputName(QStringLiteral("/src/a.png"), &error), Q(out / "a.jpg"));
  EXPECT_EQ(MakeOutputName(QStringLiteral("/src/a.jpg"), &error), Q(out / "a[2].jpg"));
  EXPECT_EQ(MakeOutputName(QStringLiteral("/other/a.bmp"), &error), Q(out / "a[3].jpg"));
  EXPECT_EQ(MakeUniqueName(Q(out), QStringLiteral("b"), QStringLiteral(".pkv"), &error), Q(out / "b[1].pkv"));
  QFile keep(Q(out / "a[1].jpg"));
  ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
  EXPECT_EQ(keep.readAll(), QByteArray("keep me"));
}

TEST_F(NamingTest, DanglingLinkIsATakenName) {
  const fs::path out = gallivo::test::freshDir("links");
  fs::create_symlink(out / "nowhere" / "target.jpg", out / "a.jpg");
  CSetMgr::Instance().set_strExportDir(Q(out) + QLatin1Char('/'));
  EXPECT_EQ(MakeOutputName(QStringLiteral("/src/a.png")), Q(out / "a[1].jpg"));
  EXPECT_FALSE(fs::exists(out / "nowhere"));
}

TEST_F(NamingTest, FolderProblemsAreReasonsNotCrashes) {
  const fs::path out = gallivo::test::freshDir("problems");
  struct Case {
    const char* what;
    QString folder;
  };
  const Case cases[] = {
      {"missing folder", Q(out / "missing")},
      {"a file instead of a folder", Q(out / "file")},
      {"no folder chosen", QString()},
  };
  QFile(Q(out / "file")).open(QIODevice::WriteOnly);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSetMgr::Instance().set_strExportDir(c.folder);
    QString error;
    EXPECT_TRUE(MakeOutputName(QStringLiteral("/src/a.png"), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST_F(NamingTest, TwoThreadsNeverReserveTheSameName) {
  const fs::path out = gallivo::test::freshDir("race");
  CSetMgr::Instance().set_strExportDir(Q(out) + QLatin1Char('/'));
  constexpr int kEach = 300;
  std::vector<QString> names[2];
  auto reserve = [&](int t) {
    for (int i = 0; i < kEach; ++i) names[t].push_back(MakeOutputName(QStringLiteral("/src/same.png")));
  };
  std::thread a(reserve, 0), b(reserve, 1);
  a.join();
  b.join();
  std::set<QString> all;
  for (const auto& list : names)
    for (const QString& n : list) {
      EXPECT_FALSE(n.isEmpty());
      all.insert(n);
    }
  EXPECT_EQ(all.size(), size_t(2 * kEach));
  EXPECT_EQ(FileNames(out).size(), size_t(2 * kEach));
}

TEST_F(NamingTest, SupportedPicturesByLowerCasedExtension) {
  struct Case {
    const char* name;
    bool picture;
  };
  const Case cases[] = {{"a.JPG", true}, {"b.jpeg", true}, {"c.Pkv", true}, {"d.txt", false},
                        {"jpg", false},  {"e.", false},    {"f.jp", false}, {"g.3fr", true},
                        {"/x.jpg/readme", false}};
  for (const Case& c : cases) EXPECT_EQ(IsSupportedPicture(QString::fromUtf8(c.name)), c.picture) << c.name;
  EXPECT_EQ(SupportedPatterns().count(QLatin1Char(';')), 43);
}

TEST_F(NamingTest, FolderScanIsBreadthFirstAndHonoursSubFolders) {
  const fs::path root = gallivo::test::freshDir("scan");
  fs::create_directories(root / "sub" / "deeper");
  for (const fs::path& f : {root / "B.JPG", root / "a.png", root / "notes.txt", root / "sub" / "c.bmp",
                            root / "sub" / "deeper" / "d.gif"})
    QFile(Q(f)).open(QIODevice::WriteOnly);
  fs::create_directory_symlink(root, root / "sub" / "loop");  // never followed
  auto names = [&](bool sub) {
    QStringList out;
    for (const QString& p : ScanFolder(Q(root), sub)) out << p.mid(Q(root).size() + 1);
    return out.join(QLatin1Char(' ')).toStdString();
  };
  EXPECT_EQ(names(true), "B.JPG a.png sub/c.bmp sub/deeper/d.gif");
  EXPECT_EQ(names(false), "B.JPG a.png");
}

}  // namespace
