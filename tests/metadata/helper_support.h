// Shared by the helper binding tests: placing stand-in helper libraries, reading their
// counters, and a small JPEG whose EXIF thumbnail the program's own reader finds.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ExifHelper.h"
#include "ExifThumbnail.h"
#include "TestEnv.h"
#include "exif_builder.h"

namespace helper_test {

namespace fs = std::filesystem;

inline QString q(const fs::path& p) { return QString::fromStdString(p.string()); }

inline Bytes fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline Bytes bytesOf(const std::optional<ExifThumbnail>& t) {
  return t ? Bytes(t->bytes().begin(), t->bytes().end()) : Bytes{};
}

// Copies the stand-in variant ("full", "nodetail", "set1only") into folder as libzlvexif.so.
inline fs::path place(const std::string& variant, const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path to = folder / "libzlvexif.so";
  fs::copy_file(fs::path(ZLVEXIF_STANDIN_DIR) / variant / "libzlvexif.so", to,
                fs::copy_options::overwrite_existing);
  return to;
}

// A counter of the loaded stand-in at path; -1 when that library is not loaded.
inline int counter(const fs::path& library, const char* name) {
  void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!module) return -1;
  auto* fn = reinterpret_cast<int32_t (*)()>(dlsym(module, name));
  const int value = fn ? fn() : -1;
  dlclose(module);
  return value;
}

// A JPEG with the fake thumbnail in its EXIF block, written to path.
inline fs::path writeExifJpeg(const fs::path& path) {
  const Bytes b = JpegStream().section(0xE1, cameraBlock(false).exif()).frame(8, 8).scan({1, 2}).bytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  return path;
}

// Each test starts unbound, with a fresh empty program folder and no editor folder.
class HelperTest : public testing::Test {
 protected:
  void SetUp() override {
    ExifHelper::UnbindForTests();
    program_ = gallivo::test::freshDir("program");
    setenv("GALLIVO_PROGRAM_DIR", program_.c_str(), 1);
    std::error_code ec;
    fs::remove_all(fs::path(std::getenv("XDG_CONFIG_HOME")) / "registry", ec);
    pictures_ = gallivo::test::freshDir("pictures");
  }
  void TearDown() override { ExifHelper::UnbindForTests(); }
  fs::path program_, pictures_;
};

}  // namespace helper_test
