// DataDir and its two ini files: "zlvvd.ini" (recorded version, time of the last check) and
// "zlvd.ini" (last reported partner tag).
#pragma once

#include <cstdint>
#include <string>

namespace zlvup {

inline constexpr char16_t kMain[] = u"main";
inline constexpr char16_t kVerKey[] = u"ver";
inline constexpr char16_t kTimeKey[] = u"time";
// "time" value meaning: version recorded, no check made since.
inline constexpr int32_t kVersionRecordedTime = 1;

struct DataFiles {
  std::u16string dataDir;      // program folder + "Data/"
  std::u16string stateFile;    // dataDir + "zlvvd.ini"
  std::u16string partnerFile;  // dataDir + "zlvd.ini"
};

// Works out DataDir and creates it with its parents; failure is silent (reads then give
// their defaults and writes fail).
DataFiles prepareDataFiles();

// On the first load with this DataDir ("time" missing or 0): records the version of the
// "Gallivo" program beside the host and "time" = 1.
void recordFirstRun(const DataFiles& files);

// "%d.%d.%d.%d" of the program file's embedded version; empty without one.
std::u16string programVersionText(const std::u16string& programFile);

// Seconds since 1970 as the ini files keep them.
uint32_t nowSeconds();
std::u16string decimal(uint32_t value);

}  // namespace zlvup
