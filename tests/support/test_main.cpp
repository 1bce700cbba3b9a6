// Test main: isolate the process from the real home folder before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestEnv.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path& root = gallivo::test::scratchRoot();
  gallivo::test::isolateProcess();
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::error_code ec;
  fs::remove_all(root, ec);
  return rc;
}
