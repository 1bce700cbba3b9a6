// Profile functions over an arbitrary ini file: reads, name lists, and writes that must
// read back as written while the other lines survive.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "zlvplatform.h"

namespace {

const std::u16string& scratchFile() {
  static const std::u16string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-ini-" + std::to_string(getpid()) + ".ini";
    return zlv::toUtf16(p);
  }();
  return path;
}

void put(const uint8_t* data, size_t size) {
  std::string path = zlv::toUtf8(scratchFile());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char16_t* file = scratchFile().c_str();
  put(data, size);
  char16_t out[64];
  static char16_t big[1 << 16];
  for (const char16_t* section : {u"main", u"new", u"values", u""})
    for (const char16_t* key : {u"ver", u"time", u"Partner", u"file"}) {
      zlvGetProfileString(section, key, u"d", out, 64, file);
      zlvGetProfileInt(section, key, 3, file);
    }
  zlvGetProfileString(nullptr, nullptr, u"", big, 1 << 16, file);
  zlvGetProfileString(u"main", nullptr, u"", out, 64, file);

  // A written value reads back unchanged, and a second key is not disturbed by it.
  if (zlvWriteProfileString(u"main", u"ver", u"9.8.7.6", file) &&
      zlvWriteProfileString(u"Main", u"time", u"12345", file)) {
    zlvGetProfileString(u"MAIN", u"VER", u"", out, 64, file);
    if (std::u16string(out) != u"9.8.7.6") __builtin_trap();
    if (zlvGetProfileInt(u"main", u"time", 0, file) != 12345) __builtin_trap();
  }
  zlvWriteProfileString(u"main", u"ver", nullptr, file);
  zlvWriteProfileString(u"other", nullptr, nullptr, file);
  std::string path = zlv::toUtf8(scratchFile());
  unlink(path.c_str());
  return 0;
}
