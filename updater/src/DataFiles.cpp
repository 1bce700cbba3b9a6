#include "DataFiles.h"

#include <zlvplatform.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "Profile.h"

namespace zlvup {

namespace {
std::u16string programDir() {
  std::array<char16_t, 4096> dir{};
  uint32_t n = zlvProgramDir(dir.data(), uint32_t(dir.size()));
  return std::u16string(dir.data(), n);
}
}  // namespace

DataFiles prepareDataFiles() {
  DataFiles f;
  const std::u16string program = programDir();
  if (program.empty()) return f;  // no folder: every path stays empty and reads give defaults
  f.dataDir = program + u"Data/";
  f.stateFile = f.dataDir + u"zlvvd.ini";
  f.partnerFile = f.dataDir + u"zlvd.ini";
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(zlv::toUtf8(f.dataDir)), ec);
  return f;
}

std::u16string programVersionText(const std::u16string& programFile) {
  uint16_t v[4] = {};
  if (!zlvReadFileVersion(programFile.c_str(), v)) return {};
  std::string text = std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
                     std::to_string(v[2]) + "." + std::to_string(v[3]);
  return zlv::toUtf16(text);
}

void recordFirstRun(const DataFiles& files) {
  if (files.stateFile.empty()) return;
  if (readProfileInt(files.stateFile, kMain, kTimeKey, 0) != 0) return;
  const std::u16string version = programVersionText(programDir() + u"Gallivo");
  writeProfileString(files.stateFile, kMain, kVerKey, version);
  writeProfileString(files.stateFile, kMain, kTimeKey, decimal(kVersionRecordedTime));
}

uint32_t nowSeconds() { return uint32_t(std::time(nullptr)); }

std::u16string decimal(uint32_t value) { return zlv::toUtf16(std::to_string(value)); }

}  // namespace zlvup
