#include "Statistics.h"

#include <zlvplatform.h>

#include <array>

#include "CheckLock.h"
#include "Profile.h"
#include "TempDownload.h"
#include "Text.h"
#include "UpdateAgent.h"

namespace zlvup {

namespace {
constexpr std::size_t kMaxTagChars = 258;
constexpr std::size_t kMaxVersionChars = 258;
constexpr uint32_t kInstallTimeoutMs = 10000;
constexpr uint32_t kOpenTimeoutMs = 20000;
constexpr char16_t kPartnerKey[] = u"Partner";
constexpr char16_t kPrePartnerKey[] = u"PrePartner";

std::u16string pingAddress(std::u16string_view server, std::u16string_view page,
                           std::u16string_view tag, std::u16string_view version) {
  std::u16string a(server);
  a.append(page).append(u"?pid=").append(tag).append(u"&ver=").append(version);
  return a;
}
}  // namespace

std::u16string partnerTag() {
  std::array<char16_t, 260> value{};  // 520 bytes, as the installer's value is read
  if (zlvRegQueryString(ZLV_HKEY_LOCAL_MACHINE, u"software\\zlvvd\\coop", kPrePartnerKey,
                        value.data(), uint32_t(value.size()))) {
    value.back() = u'\0';
    std::u16string tag = truncated(fieldText(value), kMaxTagChars);
    if (!tag.empty()) return tag;
  }
  return u"h_lvse";
}

std::u16string installPingAddress(std::u16string_view server, std::u16string_view tag,
                                  std::u16string_view version) {
  return pingAddress(server, u"/vd/inst.htm", tag, version);
}

std::u16string openPingAddress(std::u16string_view server, std::u16string_view tag,
                               std::u16string_view version) {
  return pingAddress(server, u"/vd/op.htm", tag, version);
}

void sendStatistics(UpdateAgent& agent) {
  const Settings& settings = agent.settings();
  const DataFiles& files = agent.files();
  const std::u16string version =
      truncated(readProfileString(files.stateFile, kMain, kVerKey), kMaxVersionChars);
  std::u16string tag;
  {
    CheckLock lock;
    if (lock.acquired()) {
      tag = partnerTag();
      const std::u16string reported = readProfileString(files.partnerFile, kMain, kPartnerKey);
      if (reported.empty() || !equalsIgnoringAsciiCase(reported, tag)) {
        if (downloadToTemp(installPingAddress(settings.statsServer, tag, version),
                           kInstallTimeoutMs, settings)) {
          writeProfileString(files.partnerFile, kMain, kPartnerKey, tag);
          writeProfileString(files.partnerFile, kMain, kPrePartnerKey, tag);
        }
      }
    }
  }
  // Sent whatever came of the install ping; the answer is not looked at.
  downloadToTemp(openPingAddress(settings.statsServer, tag, version), kOpenTimeoutMs, settings);
}

}  // namespace zlvup
