// The version-note reader over arbitrary files: must answer without reading outside.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "zlvplatform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-elf-" + std::to_string(getpid());
  }();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  uint16_t version[4];
  zlvReadFileVersion(zlv::toUtf16(path).c_str(), version);
  unlink(path.c_str());
  return 0;
}
