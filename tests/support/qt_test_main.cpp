// Test main for tests that paint or show widgets: the same isolated folders as test_main.cpp,
// the offscreen platform unless the caller chose one, the build folder as the program folder,
// and one Qt application object for the whole process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestEnv.h"

#ifdef GALLIVO_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path& root = gallivo::test::scratchRoot();
  gallivo::test::isolateProcess();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("GALLIVO_PROGRAM_DIR", gallivo::test::buildDir().c_str(), 0);
  int rc;
  {
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return rc;
}
