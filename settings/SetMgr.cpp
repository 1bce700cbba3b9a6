#include "SetMgr.h"

CSetMgr& CSetMgr::Instance() {
  static CSetMgr instance;
  return instance;
}

CSetMgr::CSetMgr() { ResetToDefaults(); }
CSetMgr::~CSetMgr() = default;

void CSetMgr::ResetToDefaults() { d_ = SettingsData{}; }

void CSetMgr::SetReporter(SettingsReporter* reporter) { reporter_ = reporter; }

void CSetMgr::report(const QString& message) {
  (reporter_ ? *reporter_ : static_cast<SettingsReporter&>(defaultReporter_)).ShowMessage(message);
}

void CSetMgr::validated(int32_t& field, int32_t value, int32_t low, int32_t high,
                        const char16_t* message, int32_t bit, bool clamp) {
  if (value >= low && value <= high) {
    store(field, value, bit);
    return;
  }
  if (d_.bReportInvalid == 1) {
    report(QString::fromUtf16(message));
    throw SettingsException();
  }
  if (clamp) field = value > high ? high : low;
}

void CSetMgr::set_nGIFSpeed(int32_t v) {
  validated(d_.nGIFSpeed, v, 100, 10000, u"图片切换速度应该在0.1秒到10秒之间", 0, true);
}
void CSetMgr::set_nResizeWidth(int32_t v) {
  validated(d_.nResizeWidth, v, 1, 3000, u"图片宽度范围应该在1到3000之间", ResizeChanged, false);
}
void CSetMgr::set_nMarkFontSize(int32_t v) {
  validated(d_.nMarkFontSize, v, 1, 3000, u"字体大小应该在1到3000之间", MarkChanged, false);
}
void CSetMgr::set_nMarkPosTop(int32_t v) {
  validated(d_.nMarkPosTop, v, 0, 1000, u"边距应该在0到1000之间", MarkChanged, false);
}
void CSetMgr::set_nMarkPosLeft(int32_t v) {
  validated(d_.nMarkPosLeft, v, 0, 1000, u"边距应该在0到1000之间", MarkChanged, false);
}
void CSetMgr::set_nMarkSpace(int32_t v) {
  validated(d_.nMarkSpace, v, 0, 1000, u"间距应该在0到1000之间", MarkChanged, false);
}
void CSetMgr::set_nMarkRotate(int32_t v) {
  validated(d_.nMarkRotate, v, -180, 180, u"旋转角度应该在-180到180之间", MarkChanged, false);
}
void CSetMgr::set_nMarkTransparent(int32_t v) {
  validated(d_.nMarkTransparent, v, 0, 100, u"透明度应该在0到100之间", MarkChanged, false);
}

void CSetMgr::PushSnapshot() { snapshots_.push_back(d_); }

void CSetMgr::PopSnapshot(bool restore) {
  if (snapshots_.empty()) return;  // nothing pushed: nothing to restore
  if (restore) d_ = snapshots_.back();
  snapshots_.pop_back();
}
