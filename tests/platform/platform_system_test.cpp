#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "../../platform/src/Internal.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "zlvplatform.h"

ZLV_EMBED_VERSION(1, 2, 3, 4);

namespace {

namespace fs = std::filesystem;
using gallivo::test::readText;
using gallivo::test::writeText;
using gallivo::test::freshDir;

using FolderFn = uint32_t (*)(char16_t*, uint32_t);
std::string folder(FolderFn fn) {
  char16_t buf[4096];
  uint32_t n = fn(buf, 4096);
  return zlv::toUtf8(std::u16string(buf, n));
}

TEST(PlatformFolders, EnvironmentAndFallbacks) {
  EXPECT_EQ(folder(zlvUserDataDir), std::string(std::getenv("XDG_DATA_HOME")) + "/");
  EXPECT_EQ(folder(zlvTempDir), std::string(std::getenv("TMPDIR")) + "/");
  EXPECT_EQ(folder(zlvRuntimeDir), std::string(std::getenv("XDG_RUNTIME_DIR")) + "/");
  std::string exe = fs::read_symlink("/proc/self/exe").string();
  unsetenv("GALLIVO_PROGRAM_DIR");
  EXPECT_EQ(folder(zlvProgramDir), exe.substr(0, exe.rfind('/') + 1));
  setenv("GALLIVO_PROGRAM_DIR", "/opt/gallivo", 1);
  EXPECT_EQ(folder(zlvProgramDir), "/opt/gallivo/");
  unsetenv("GALLIVO_PROGRAM_DIR");

  std::string saved = std::getenv("XDG_DATA_HOME");
  const struct {
    const char* value;
    std::string expect;
  } cases[] = {
      {nullptr, std::string(std::getenv("HOME")) + "/.local/share/"},
      {"", std::string(std::getenv("HOME")) + "/.local/share/"},
      {"relative/path", std::string(std::getenv("HOME")) + "/.local/share/"},  // ignored
      {"/data/", "/data/"},
  };
  for (const auto& c : cases) {
    if (c.value) setenv("XDG_DATA_HOME", c.value, 1);
    else unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(folder(zlvUserDataDir), c.expect) << (c.value ? c.value : "(unset)");
  }
  setenv("XDG_DATA_HOME", saved.c_str(), 1);

  char16_t tiny[4];
  EXPECT_EQ(zlvTempDir(tiny, 4), 0u);  // does not fit
  EXPECT_EQ(tiny[0], 0);
}

TEST(PlatformFolders, TempFileWithPrefix) {
  char16_t path[1024];
  ASSERT_TRUE(zlvCreateTempFile(u"~DF", path, 1024));
  fs::path p = zlv::toUtf8(path);
  EXPECT_EQ(p.parent_path().string() + "/", folder(zlvTempDir));
  EXPECT_EQ(p.filename().string().rfind("~DF", 0), 0u);
  EXPECT_TRUE(fs::exists(p));
  EXPECT_EQ(fs::file_size(p), 0u);
  char16_t other[1024];
  ASSERT_TRUE(zlvCreateTempFile(u"~DF", other, 1024));
  EXPECT_NE(std::u16string(path), std::u16string(other));
  // A path that does not fit leaves no file behind.
  size_t before = std::distance(fs::directory_iterator(p.parent_path()), fs::directory_iterator());
  char16_t small[8];
  EXPECT_FALSE(zlvCreateTempFile(u"~DF", small, 8));
  EXPECT_EQ(std::distance(fs::directory_iterator(p.parent_path()), fs::directory_iterator()), long(before));
  EXPECT_FALSE(zlvCreateTempFile(u"../x", path, 1024));
}

TEST(PlatformLock, HeldByAnotherProcessOrHandle) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t child = fork();
  if (child == 0) {
    int h = zlvTryLockNamed(u"ZLVVD_EDIT_{test}");
    char ok = h >= 0 ? 'y' : 'n';
    (void)!write(toParent[1], &ok, 1);
    char wait;
    (void)!read(toChild[0], &wait, 1);  // hold the lock until the parent says so
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(toParent[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  EXPECT_EQ(zlvTryLockNamed(u"ZLVVD_EDIT_{test}"), -1);
  int other = zlvTryLockNamed(u"ZLVVD_EDIT_{other}");
  EXPECT_GE(other, 0);
  (void)!write(toChild[1], "x", 1);
  int status = 0;
  waitpid(child, &status, 0);
  int mine = zlvTryLockNamed(u"ZLVVD_EDIT_{test}");
  EXPECT_GE(mine, 0);  // released when the holder ended
  EXPECT_EQ(zlvTryLockNamed(u"ZLVVD_EDIT_{test}"), -1);  // a second handle of ours is refused
  zlvUnlockNamed(mine);
  int again = zlvTryLockNamed(u"ZLVVD_EDIT_{test}");
  EXPECT_GE(again, 0);
  zlvUnlockNamed(again);
  zlvUnlockNamed(other);
  zlvUnlockNamed(2);  // not a lock handle: stderr must stay open
  EXPECT_NE(fcntl(2, F_GETFD), -1);
  // A name is never a path out of the runtime folder.
  int h = zlvTryLockNamed(u"../escape");
  EXPECT_GE(h, 0);
  EXPECT_TRUE(fs::exists(fs::path(std::getenv("XDG_RUNTIME_DIR")) / ".._escape"));
  zlvUnlockNamed(h);
  EXPECT_EQ(zlvTryLockNamed(u""), -1);
  for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

TEST(PlatformShell, OpensDetachedWithTheOverrideProgram) {
  fs::path dir = freshDir("shell");
  fs::path script = dir / "open.sh", out = dir / "opened.txt";
  writeText(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + out.string() + ".tmp' && mv '" + out.string() +
                        ".tmp' '" + out.string() + "'\n");
  fs::permissions(script, fs::perms::owner_all);
  setenv("ZLV_OPEN_COMMAND", script.c_str(), 1);
  EXPECT_TRUE(zlvShellOpen(u"/tmp/folder with space/图片.jpg"));
  for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(readText(out), "/tmp/folder with space/图片.jpg");
  setenv("ZLV_OPEN_COMMAND", (dir / "missing-program").c_str(), 1);
  EXPECT_FALSE(zlvShellOpen(u"http://127.0.0.1/"));
  EXPECT_FALSE(zlvShellOpen(u""));
  unsetenv("ZLV_OPEN_COMMAND");
  // No child is left behind for us to reap.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

// A big-endian 32-bit ELF with one note section, built by hand.
std::string bigEndianElf32(uint16_t v0, uint16_t v1, uint16_t v2, uint16_t v3) {
  auto be = [](std::string& s, uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) s += char((v >> (8 * i)) & 0xFF);
  };
  std::string note;
  be(note, 8, 4), be(note, 8, 4), be(note, 1, 4);
  note += std::string("Gallivo\0", 8);
  for (uint16_t v : {v0, v1, v2, v3}) be(note, v, 2);
  std::string f = "\x7F" "ELF";
  f += char(1), f += char(2), f += char(1);
  f.resize(16, '\0');
  be(f, 2, 2), be(f, 8, 2), be(f, 1, 4), be(f, 0, 4), be(f, 0, 4);
  be(f, 52 + note.size(), 4);  // section headers after the note
  be(f, 0, 4), be(f, 52, 2), be(f, 0, 2), be(f, 0, 2), be(f, 40, 2), be(f, 2, 2), be(f, 0, 2);
  f += note;
  f += std::string(40, '\0');  // null section
  be(f, 0, 4), be(f, 7, 4), be(f, 2, 4), be(f, 0, 4), be(f, 52, 4), be(f, note.size(), 4);
  be(f, 0, 4), be(f, 0, 4), be(f, 4, 4), be(f, 0, 4);
  return f;
}

TEST(PlatformFileVersion, EmbeddedNoteIsReadBack) {
  uint16_t v[4] = {};
  std::string exe = fs::read_symlink("/proc/self/exe").string();
  ASSERT_TRUE(zlvReadFileVersion(zlv::toUtf16(exe).c_str(), v));
  EXPECT_EQ(std::vector<uint16_t>(v, v + 4), (std::vector<uint16_t>{1, 2, 3, 4}));
  fs::path be = freshDir("version") / "be32";
  writeText(be, bigEndianElf32(5, 6, 7, 65535));
  ASSERT_TRUE(zlvReadFileVersion(zlv::toUtf16(be.string()).c_str(), v));
  EXPECT_EQ(std::vector<uint16_t>(v, v + 4), (std::vector<uint16_t>{5, 6, 7, 65535}));
}

TEST(PlatformFileVersion, DamagedFilesGiveFalse) {
  std::string exe = readText(fs::read_symlink("/proc/self/exe"));
  size_t noteName = exe.find(std::string("Gallivo\0\1\0\2\0\3\0\4\0", 16));
  ASSERT_NE(noteName, std::string::npos);
  auto patched = [&](size_t at, std::string bytes) {
    std::string copy = exe;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  };
  const struct {
    const char* fault;
    std::string data;
  } cases[] = {
      {"not an ELF file at all", "#!/bin/sh\necho hello\n"},
      {"empty file", ""},
      {"ELF header cut short", exe.substr(0, 40)},
      {"section table cut off (it sits at the end)", exe.substr(0, exe.size() / 2)},
      {"section table offset beyond the file", patched(40, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8))},
      {"section entry size smaller than an entry", patched(58, std::string("\x08\x00", 2))},
      {"note name size running past its section", patched(noteName - 12, std::string("\xF0\xFF\xFF\xFF", 4))},
      {"note of another owner", patched(noteName, "Gallivx")},
      {"unknown ELF class", patched(4, "\x07")},
  };
  fs::path dir = freshDir("version-bad");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    fs::path p = dir / "file";
    writeText(p, c.data);
    uint16_t v[4] = {9, 9, 9, 9};
    EXPECT_FALSE(zlvReadFileVersion(zlv::toUtf16(p.string()).c_str(), v));
  }
  uint16_t v[4];
  EXPECT_FALSE(zlvReadFileVersion(u"/no/such/file", v));
  EXPECT_FALSE(zlvReadFileVersion(zlv::toUtf16(dir.string()).c_str(), v));  // a folder
}

TEST(PlatformOnline, RouteTableParsing) {
  const std::string head = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n";
  const struct {
    const char* what;
    std::string table;
    bool online;
  } cases[] = {
      {"default route up", head + "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n", true},
      {"only a local network", head + "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n", false},
      {"default route down", head + "eth0\t00000000\t0102A8C0\t0002\t0\t0\t100\t00000000\n", false},
      {"titles only", head, false},
      {"garbage", "\x01\x02 nothing here\n\n\t\n", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(zlv::detail::routeTableHasDefault(c.table), c.online) << c.what;
  (void)zlvIsOnline();  // the live probe answers without hanging
}

TEST(PlatformExports, SharedLibraryExportsEveryFunction) {
  void* lib = dlopen((gallivo::test::buildDir() / "libzlvplatform.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name :
       {"zlvCreateDIBSection", "zlvGetBitmapHeader", "zlvGetBitmapPalette", "zlvGetBitmapBits", "zlvGetDIBits",
        "zlvDeleteBitmap", "zlvCreatePalette", "zlvDeletePalette", "zlvCreateCompatibleDC", "zlvGetScreenDC",
        "zlvReleaseScreenDC", "zlvSelectBitmap", "zlvGetSelectedBitmap", "zlvDeleteDC", "zlvRegisterWindow",
        "zlvUnregisterWindow", "zlvPostMessage", "zlvGetProfileString", "zlvGetProfileInt",
        "zlvWriteProfileString", "zlvRegQueryString", "zlvRegSetString", "zlvUserDataDir", "zlvProgramDir",
        "zlvTempDir", "zlvRuntimeDir", "zlvCreateTempFile", "zlvTryLockNamed", "zlvUnlockNamed", "zlvIsOnline",
        "zlvShellOpen", "zlvReadFileVersion", "zlvUtf16ToUtf8", "zlvUtf8ToUtf16", "zlvUtf16Length"})
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  EXPECT_EQ(dlsym(lib, "_ZN3zlv6detail4utf8ESt17basic_string_viewIDsSt11char_traitsIDsEE"), nullptr)
      << "internal helpers stay hidden";
  dlclose(lib);
}

}  // namespace
