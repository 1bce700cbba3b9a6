#include "UpdatePrompt.h"

#include <dlfcn.h>

#include <QWidget>
#include <memory>

#include "MakerSite.h"
#include "Shell.h"
#include "UserDialogs.h"
#include "zlvplatform.h"

UpdatePrompt::UpdatePrompt(QWidget* window, const QString& libraryPath) : window_(window) {
  // Never closed: the library's worker threads may outlive any window.
  void* module = dlopen(libraryPath.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return;
  check_ = reinterpret_cast<ZlvUpCheckFn>(dlsym(module, "Check"));
  state_ = reinterpret_cast<ZlvUpStateFn>(dlsym(module, "State"));
  if (!check_) return;
  windowId_ = zlvRegisterWindow(&UpdatePrompt::OnPosted, this);
  if (windowId_ != 0) check_(1, windowId_);
}

UpdatePrompt::~UpdatePrompt() {
  // Waits for a post in progress on the library's thread; later posts find no window.
  if (windowId_ != 0) zlvUnregisterWindow(windowId_);
}

void UpdatePrompt::OnPosted(void* context, uint32_t msg, uintptr_t, intptr_t) {
  if (msg != UpdateResultMessage) return;
  auto* self = static_cast<UpdatePrompt*>(context);
  QMetaObject::invokeMethod(self, &UpdatePrompt::OnResult, Qt::QueuedConnection);
}

void UpdatePrompt::OnResult() {
  if (!state_) {
    emit handled(-1);
    return;
  }
  auto record = std::make_unique<UpdateRecord>();
  *record = UpdateRecord{};
  record->size = UpdateRecordSize;
  if (!state_(1, record.get())) {
    emit handled(-1);
    return;
  }
  const int state = int(record->state);
  if (state == UpdateStateUpdateAvailable &&
      UserDialogs::Current().Ask(window_, QStringLiteral("检测到新的版本，是否要进行升级？")))
    OpenWithShell(MakerSite::UpdatePage());
  emit handled(state);
}
