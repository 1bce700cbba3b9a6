#include "TempDownload.h"

#include <unistd.h>
#include <zlvplatform.h>

#include <array>

#include "HttpFetcher.h"

namespace zlvup {

TempFile::~TempFile() {
  if (!path_.empty()) ::unlink(zlv::toUtf8(path_).c_str());
}

std::optional<TempFile> downloadToTemp(std::u16string_view address, uint32_t timeoutMs,
                                       const Settings& settings) {
  std::array<char16_t, 4096> name{};
  if (!zlvCreateTempFile(u"~DF", name.data(), uint32_t(name.size()))) return std::nullopt;
  TempFile file(std::u16string(name.data()));
  if (file.path().empty()) return std::nullopt;

  const uint32_t t = settings.timeoutOverrideMs ? settings.timeoutOverrideMs : timeoutMs;
  HttpFetcher fetcher;
  fetcher.setTimeouts(t, t, t);
  if (!fetcher.fetch(address, file.path())) return std::nullopt;
  return file;
}

}  // namespace zlvup
