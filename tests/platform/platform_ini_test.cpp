#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TestEnv.h"
#include "TestFiles.h"
#include "zlvplatform.h"

namespace {

namespace fs = std::filesystem;
using gallivo::test::readText;
using gallivo::test::writeText;
using gallivo::test::freshDir;

std::u16string wide(const fs::path& p) { return zlv::toUtf16(p.string()); }

std::u16string get(const std::u16string& file, const char16_t* section, const char16_t* key,
                   const char16_t* def = u"DEF", uint32_t capacity = 256) {
  std::vector<char16_t> out(capacity + 1, u'#');
  uint32_t n = zlvGetProfileString(section, key, def, out.data(), capacity, file.c_str());
  EXPECT_EQ(out[n], 0);
  return std::u16string(out.data(), n);
}

TEST(PlatformIni, ReadSemanticsTable) {
  fs::path file = freshDir("ini-read") / "a.ini";
  writeText(file,
            "\xEF\xBB\xBF; comment line\r\n"
            "orphan=before any section\r\n"
            "[Main]\r\n"
            "  Ver  =  1.0.0.3  \r\n"
            "time=1700000000\r\n"
            "neg = -42xyz\r\n"
            "word=abc\r\n"
            "quoted=\"  spaced  \"\r\n"
            "empty=\r\n"
            "dup=first\r\n"
            "dup=second\r\n"
            ";hidden=1\r\n"
            "[Other]\r\n"
            "ver=other\r\n"
            "[main]\r\n"
            "late=second section of the same name is not read\r\n"
            "[中文]\r\n"
            "名字=值\r\n");
  std::u16string f = wide(file);
  const struct {
    const char16_t *section, *key, *expect;
  } cases[] = {
      {u"main", u"ver", u"1.0.0.3"},        // names without case, spaces around "=" trimmed
      {u"MAIN", u"TIME", u"1700000000"},
      {u"main", u"quoted", u"  spaced  "},  // matching quotes are removed
      {u"main", u"empty", u""},
      {u"main", u"dup", u"first"},
      {u"main", u"hidden", u"DEF"},         // commented out
      {u"main", u"orphan", u"DEF"},
      {u"main", u"late", u"DEF"},
      {u"other", u"ver", u"other"},
      {u"missing", u"ver", u"DEF"},
      {u"中文", u"名字", u"值"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zlv::toUtf8(c.key));
    EXPECT_EQ(get(f, c.section, c.key), c.expect);
  }
  EXPECT_EQ(zlvGetProfileInt(u"main", u"time", 7, f.c_str()), 1700000000);
  EXPECT_EQ(zlvGetProfileInt(u"main", u"neg", 7, f.c_str()), -42);
  EXPECT_EQ(zlvGetProfileInt(u"main", u"word", 7, f.c_str()), 0);  // present but not a number
  EXPECT_EQ(zlvGetProfileInt(u"main", u"nothere", 7, f.c_str()), 7);
  EXPECT_EQ(get(f, u"main", u"ver", u"x", 4), u"1.0");  // truncated to the buffer
}

TEST(PlatformIni, MissingFileAndNamesList) {
  fs::path dir = freshDir("ini-missing");
  std::u16string missing = wide(dir / "none.ini");
  EXPECT_EQ(get(missing, u"s", u"k", u"fallback  "), u"fallback");  // trailing spaces dropped
  EXPECT_EQ(zlvGetProfileInt(u"s", u"k", -5, missing.c_str()), -5);
  EXPECT_FALSE(fs::exists(dir / "none.ini"));

  fs::path file = dir / "names.ini";
  writeText(file, "[one]\na=1\nb=2\n[two]\n");
  char16_t buf[32];
  uint32_t n = zlvGetProfileString(nullptr, nullptr, u"", buf, 32, wide(file).c_str());
  EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"one\0two\0\0", 9));  // double terminated
  n = zlvGetProfileString(u"ONE", nullptr, u"", buf, 32, wide(file).c_str());
  EXPECT_EQ(std::u16string(buf, n + 1), std::u16string(u"a\0b\0\0", 5));
}

TEST(PlatformIni, WritesKeepTheRestOfTheFile) {
  const std::string original =
      "; keep me\r\n[Main]\r\nVer=1\r\nTime=5\r\n\r\n[Other]\r\nx = y ; not a comment\r\n";
  const struct {
    const char* what;
    const char16_t *section, *key, *value;
    std::string expect;
  } cases[] = {
      {"replace keeps key spelling", u"main", u"ver", u"2",
       "; keep me\r\n[Main]\r\nVer=2\r\nTime=5\r\n\r\n[Other]\r\nx = y ; not a comment\r\n"},
      {"new key goes after the last line of its section", u"MAIN", u"new", u"v",
       "; keep me\r\n[Main]\r\nVer=1\r\nTime=5\r\nnew=v\r\n\r\n[Other]\r\nx = y ; not a comment\r\n"},
      {"new section at the end", u"third", u"k", u"值",
       original + "[third]\r\nk=值\r\n"},
      {"null value deletes the key", u"main", u"time", nullptr,
       "; keep me\r\n[Main]\r\nVer=1\r\n\r\n[Other]\r\nx = y ; not a comment\r\n"},
      {"null key deletes the section", u"main", nullptr, nullptr,
       "; keep me\r\n[Other]\r\nx = y ; not a comment\r\n"},
      {"line breaks cannot inject keys", u"other", u"x", u"a\nevil=1",
       "; keep me\r\n[Main]\r\nVer=1\r\nTime=5\r\n\r\n[Other]\r\nx=a evil=1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::path file = freshDir("ini-write") / "w.ini";
    writeText(file, original);
    EXPECT_TRUE(zlvWriteProfileString(c.section, c.key, c.value, wide(file).c_str()));
    EXPECT_EQ(readText(file), c.expect);
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
  }
}

TEST(PlatformIni, NewFileRoundTripAndRefusals) {
  fs::path dir = freshDir("ini-new");
  std::u16string f = wide(dir / "n.ini");
  EXPECT_TRUE(zlvWriteProfileString(u"main", u"ver", u"1.2", f.c_str()));
  EXPECT_TRUE(zlvWriteProfileString(u"main", u"time", u"1", f.c_str()));
  EXPECT_TRUE(zlvWriteProfileString(u"main", u"ver", u"1.3", f.c_str()));
  EXPECT_EQ(readText(dir / "n.ini"), "[main]\nver=1.3\ntime=1\n");
  EXPECT_EQ(get(f, u"Main", u"VER"), u"1.3");
  // Deleting from a file that does not exist creates nothing.
  std::u16string g = wide(dir / "g.ini");
  EXPECT_TRUE(zlvWriteProfileString(u"main", u"ver", nullptr, g.c_str()));
  EXPECT_FALSE(fs::exists(dir / "g.ini"));
  // Names a line cannot hold, and a folder that does not exist.
  EXPECT_FALSE(zlvWriteProfileString(u"ma]in", u"k", u"v", f.c_str()));
  EXPECT_FALSE(zlvWriteProfileString(u"main", u"k=x", u"v", f.c_str()));
  EXPECT_FALSE(zlvWriteProfileString(u"main", u"k", u"v", wide(dir / "no" / "x.ini").c_str()));
  EXPECT_EQ(readText(dir / "n.ini"), "[main]\nver=1.3\ntime=1\n");
}

TEST(PlatformIni, UnreadableFileIsNeverReplaced) {
  fs::path dir = freshDir("ini-unreadable");
  // A folder where the file should be: reads give defaults, writes fail and leave it.
  fs::create_directory(dir / "d.ini");
  std::u16string d = wide(dir / "d.ini");
  EXPECT_EQ(get(d, u"s", u"k"), u"DEF");
  EXPECT_FALSE(zlvWriteProfileString(u"s", u"k", u"v", d.c_str()));
  EXPECT_TRUE(fs::is_directory(dir / "d.ini"));
  // A file of 17 MiB is beyond what we read whole: it stays as it is.
  fs::path big = dir / "big.ini";
  { std::ofstream(big, std::ios::binary) << "[s]\nk=1\n" << std::string(17 << 20, ';'); }
  EXPECT_EQ(zlvGetProfileInt(u"s", u"k", 9, wide(big).c_str()), 9);
  EXPECT_FALSE(zlvWriteProfileString(u"s", u"k", u"2", wide(big).c_str()));
  EXPECT_EQ(fs::file_size(big), 8u + (17u << 20));
}

TEST(PlatformIni, Utf16FileFromWindowsIsReadAndRewrittenAsUtf8) {
  fs::path file = freshDir("ini-utf16") / "u.ini";
  std::u16string text = u"[main]\r\nver=版本\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += char(c & 0xFF), bytes += char(c >> 8);
  writeText(file, bytes);
  EXPECT_EQ(get(wide(file), u"main", u"ver"), u"版本");
  EXPECT_TRUE(zlvWriteProfileString(u"main", u"time", u"1", wide(file).c_str()));
  EXPECT_EQ(readText(file), "\xEF\xBB\xBF[main]\r\nver=版本\r\ntime=1\r\n");
}

TEST(PlatformIni, WritePreservesPermissions) {
  fs::path file = freshDir("ini-mode") / "m.ini";
  writeText(file, "[a]\nb=c\n");
  chmod(file.c_str(), 0600);
  EXPECT_TRUE(zlvWriteProfileString(u"a", u"b", u"d", wide(file).c_str()));
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(PlatformIni, ConcurrentWritersLoseNoKey) {
  fs::path file = freshDir("ini-threads") / "t.ini";
  std::u16string f = wide(file);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        std::u16string key = zlv::toUtf16("k" + std::to_string(t) + "_" + std::to_string(i));
        EXPECT_TRUE(zlvWriteProfileString(u"s", key.c_str(), u"1", f.c_str()));
      }
    });
  for (auto& t : threads) t.join();
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 25; ++i) {
      std::u16string key = zlv::toUtf16("k" + std::to_string(t) + "_" + std::to_string(i));
      EXPECT_EQ(zlvGetProfileInt(u"s", key.c_str(), 0, f.c_str()), 1) << zlv::toUtf8(key);
    }
}

TEST(PlatformRegistry, PathsAndValues) {
  fs::path config = std::getenv("XDG_CONFIG_HOME");
  fs::path machine = std::getenv("XDG_CONFIG_DIRS");
  ASSERT_TRUE(zlvRegSetString(ZLV_HKEY_CURRENT_USER, u"Software\\Zelvo", u"Install Path", u"/opt/zelvo"));
  EXPECT_EQ(readText(config / "registry/software/zelvo.ini"), "[values]\nInstall Path=/opt/zelvo\n");
  char16_t out[64];
  ASSERT_TRUE(zlvRegQueryString(ZLV_HKEY_CURRENT_USER, u"SOFTWARE/zelvo", u"install path", out, 64));
  EXPECT_EQ(std::u16string(out), u"/opt/zelvo");
  EXPECT_FALSE(zlvRegQueryString(ZLV_HKEY_CURRENT_USER, u"Software\\Zelvo", u"Other", out, 64));
  EXPECT_FALSE(zlvRegQueryString(ZLV_HKEY_LOCAL_MACHINE, u"Software\\Zelvo", u"Install Path", out, 64));
  // A value longer than the buffer is a failure, not a truncated text.
  EXPECT_FALSE(zlvRegQueryString(ZLV_HKEY_CURRENT_USER, u"Software\\Zelvo", u"Install Path", out, 5));

  fs::create_directories(machine / "registry/software/zlvvd");
  writeText(machine / "registry/software/zlvvd/coop.ini", "[values]\nPrePartner=chan_7\n");
  ASSERT_TRUE(zlvRegQueryString(ZLV_HKEY_LOCAL_MACHINE, u"software\\zlvvd\\coop", u"PrePartner", out, 64));
  EXPECT_EQ(std::u16string(out), u"chan_7");

  // Key paths that would leave the registry folder, or name nothing.
  for (const char16_t* bad : {u"..\\..\\escape", u"software\\..\\x", u"", u"\\\\"})
    EXPECT_FALSE(zlvRegSetString(ZLV_HKEY_CURRENT_USER, bad, u"v", u"1")) << zlv::toUtf8(bad);
  EXPECT_FALSE(zlvRegSetString(7, u"software\\x", u"v", u"1"));
  EXPECT_FALSE(fs::exists(config.parent_path() / "escape.ini"));
}

}  // namespace
