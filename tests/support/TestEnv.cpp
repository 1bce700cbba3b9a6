#include "TestEnv.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace gallivo::test {
namespace fs = std::filesystem;

const fs::path& scratchRoot() {
  static const fs::path root = [] {
    std::string tmpl = (fs::temp_directory_path() / "gallivo-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    return fs::path(tmpl);
  }();
  return root;
}

fs::path freshDir(const std::string& name) {
  static int counter = 0;
  fs::path p = scratchRoot() / (name + "-" + std::to_string(++counter));
  fs::create_directories(p);
  return p;
}

fs::path sourceDir() { return GALLIVO_SOURCE_DIR; }
fs::path buildDir() { return GALLIVO_BUILD_DIR; }

int run(const std::string& command, std::string* out) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0)
    if (out) out->append(buf.data(), n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool haveTool(const std::string& name) { return run("command -v " + name + " >/dev/null") == 0; }

void isolateProcess() {
  const fs::path& root = scratchRoot();
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "HOME"}) {
    fs::path dir = root / var;
    fs::create_directories(dir);
    // Qt refuses a runtime folder others can read.
    if (std::string_view(var) == "XDG_RUNTIME_DIR") fs::permissions(dir, fs::perms::owner_all);
    setenv(var, dir.c_str(), 1);
  }
  fs::path sys = root / "XDG_CONFIG_DIRS";
  fs::create_directories(sys);
  setenv("XDG_CONFIG_DIRS", sys.c_str(), 1);
}

}  // namespace gallivo::test
