// Downloads an address into a fresh "~DF" temporary file that goes away with its owner.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Settings.h"

namespace zlvup {

class TempFile {
 public:
  explicit TempFile(std::u16string path) : path_(std::move(path)) {}
  ~TempFile();
  TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  TempFile& operator=(TempFile&&) = delete;
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
};

// The downloaded file, or nothing when the temporary file or the fetch failed (the file is
// deleted then). All three time-outs are timeoutMs (0: the defaults).
std::optional<TempFile> downloadToTemp(std::u16string_view address, uint32_t timeoutMs,
                                       const Settings& settings);

}  // namespace zlvup
