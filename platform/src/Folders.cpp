// Folders, temporary files and named locks.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>

#include "Internal.h"
#include "zlvplatform.h"

namespace zlv::detail {

std::string envFolder(const char* variable, const std::string& fallback) {
  const char* value = std::getenv(variable);
  std::string folder = value && value[0] == '/' ? value : fallback;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace zlv::detail

namespace {

using namespace zlv::detail;

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

uint32_t folderOut(const std::string& folder, char16_t* out, uint32_t capacity) {
  return copyOut(utf16(folder), out, capacity);
}

std::string programFolder() {
  std::string dir = envFolder("GALLIVO_PROGRAM_DIR", "");
  if (!dir.empty()) return dir;
  std::string exe(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
  if (n <= 0 || size_t(n) >= exe.size()) return {};
  exe.resize(size_t(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

// Descriptors of the named locks this process holds; other descriptors are never closed.
struct Locks {
  std::mutex lock;
  std::set<int> held;
};
Locks& locks() {
  static NoDestructor<Locks> l;
  return l.get();
}

}  // namespace

extern "C" {

uint32_t zlvUserDataDir(char16_t* out, uint32_t capacity) {
  return folderOut(envFolder("XDG_DATA_HOME", homeFolder() + "/.local/share/"), out, capacity);
}

uint32_t zlvProgramDir(char16_t* out, uint32_t capacity) {
  return folderOut(programFolder(), out, capacity);
}

uint32_t zlvTempDir(char16_t* out, uint32_t capacity) {
  return folderOut(envFolder("TMPDIR", "/tmp/"), out, capacity);
}

uint32_t zlvRuntimeDir(char16_t* out, uint32_t capacity) {
  return folderOut(envFolder("XDG_RUNTIME_DIR", "/tmp/"), out, capacity);
}

bool zlvCreateTempFile(const char16_t* prefix, char16_t* out, uint32_t capacity) {
  if (out && capacity) out[0] = 0;
  std::u16string_view p = view(prefix);
  if (p.find(u'/') != std::u16string_view::npos) return false;
  std::string path = envFolder("TMPDIR", "/tmp/") + utf8(p) + "XXXXXX";
  int fd = mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  if (copyOut(utf16(path), out, capacity) == 0) {
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

int32_t zlvTryLockNamed(const char16_t* name) {
  std::u16string n(view(name));
  if (n.empty()) return -1;
  for (char16_t& c : n)
    if (c == u'/' || c == u'\\') c = u'_';  // a name, never a path
  if (n == u"." || n == u"..") return -1;
  std::string path = envFolder("XDG_RUNTIME_DIR", "/tmp/") + utf8(n);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  Locks& l = locks();
  std::lock_guard guard(l.lock);
  l.held.insert(fd);
  return fd;
}

void zlvUnlockNamed(int32_t handle) {
  Locks& l = locks();
  std::lock_guard guard(l.lock);
  if (l.held.erase(handle) == 1) ::close(handle);  // closing releases the flock
}

}  // extern "C"
