// Test main: isolate the process from the real home folder before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestEnv.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path& root = gallivo::test::scratchRoot();
  for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR", "HOME"}) {
    fs::path dir = root / var;
    fs::create_directories(dir);
    setenv(var, dir.c_str(), 1);
  }
  fs::path sys = root / "XDG_CONFIG_DIRS";
  fs::create_directories(sys);
  setenv("XDG_CONFIG_DIRS", sys.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::error_code ec;
  fs::remove_all(root, ec);
  return rc;
}
