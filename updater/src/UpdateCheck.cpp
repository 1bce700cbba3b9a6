#include "UpdateCheck.h"

#include <zlvplatform.h>

#include "CheckLock.h"
#include "Profile.h"
#include "TempDownload.h"
#include "Text.h"
#include "UpdateAgent.h"

namespace zlvup {

namespace {
constexpr uint32_t kDaySeconds = 86400;
constexpr char16_t kNewSection[] = u"new";
}  // namespace

bool isWebAddress(std::u16string_view url) {
  for (std::u16string_view scheme : {std::u16string_view(u"http://"), std::u16string_view(u"https://")})
    if (url.size() > scheme.size() && equalsIgnoringAsciiCase(url.substr(0, scheme.size()), scheme))
      return true;
  return false;
}

bool checkIsDue(uint32_t paramWord, uint32_t storedTime, uint32_t now) {
  if (paramWord & UpdateParamForceCheck) return true;
  return uint32_t(now - storedTime) >= kDaySeconds;
}

void runUpdateCheck(UpdateAgent& agent) {
  const std::u16string& state = agent.files().stateFile;
  const uint32_t stored = uint32_t(readProfileInt(state, kMain, kTimeKey, 0));
  if (!checkIsDue(agent.paramWord(), stored, nowSeconds())) return;

  CheckLock lock;
  if (!lock.acquired()) return;

  const std::u16string address = agent.settings().updateServer + u"/vd/up.ini";
  if (auto list = downloadToTemp(address, 0, agent.settings())) {
    PublishedUpdate published;
    published.newVersion = readProfileString(list->path(), kNewSection, u"ver");
    published.url = readProfileString(list->path(), kNewSection, u"url");
    published.urlDownload = readProfileString(list->path(), kNewSection, u"urldownload");
    published.info = readProfileString(list->path(), kNewSection, u"info");
    published.currentVersion = readProfileString(state, kMain, kVerKey);
    if (ordinalBefore(published.currentVersion, published.newVersion)) {
      agent.setUpdateAvailable(published);
    } else {
      agent.setState(UpdateStateUpToDate);
      writeProfileString(state, kMain, kTimeKey, decimal(nowSeconds()));
    }
  } else {
    agent.setState(UpdateStateCheckFailed);
  }
  agent.postResult();
}

void runUpdateAction(UpdateAgent& agent) {
  std::u16string url, newVersion;
  agent.pendingUpdate(url, newVersion);
  // The address comes from the server: only a web page goes to the shell, never a local file
  // or an option. A browser that cannot be started does not stop the version being recorded.
  if (isWebAddress(url)) zlvShellOpen(url.c_str());
  const std::u16string& state = agent.files().stateFile;
  writeProfileString(state, kMain, kVerKey, newVersion);
  writeProfileString(state, kMain, kTimeKey, decimal(nowSeconds()));
  agent.finishUpdate();
}

}  // namespace zlvup
