// Timing of the settings views on a 12-megapixel photograph (bench/settings.sh runs it):
//  1. from a setting change on the dialog's page to the new preview painted in the preview
//     area, with slimming, a frame and a tiled text watermark on;
//  2. how long the user interface thread goes without turning its event loop while the panel
//     computes the size estimate for width 3000.
// Usage: settings_timing PHOTO.jpg [runs]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "EngineApi.h"
#include "FrameCatalogue.h"
#include "PictureSupply.h"
#include "PreviewArea.h"
#include "SetMgr.h"
#include "SettingsDialog.h"
#include "SettingsIds.h"
#include "SettingsLists.h"
#include "SettingsPanel.h"

namespace {

class OnePicture final : public PictureSupply {
 public:
  explicit OnePicture(QString path) : path_(std::move(path)) {}
  int Count() const override { return 1; }
  bool ItemAt(int index, PictureItem& out) const override {
    if (index != 0) return false;
    out.filePath = path_;
    out.path = path_.toLower();
    out.index = 0;
    return true;
  }

 private:
  QString path_;
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void waitIdle(SettingsDialog& dialog) {
  while (dialog.PreviewRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void previewTiming(const QString& photo, int runs) {
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoResize(1);
  s.set_nResizeSimpleType(2);  // 700 pixels wide
  s.set_bPhotoFrames(1);
  s.set_nFrameType(1);
  s.set_nFrameFileIndex(0);
  s.set_bPhotoMark(1);
  s.set_nMarkStyle(0);
  s.set_strMarkText(QStringLiteral("小店水印 Shop"));
  s.set_nMarkPosStyle(1);  // tiled
  OnePicture pictures(photo);
  SettingsDialog dialog(&pictures, 1, nullptr);
  dialog.show();
  waitIdle(dialog);
  if (dialog.Preview()->Picture().isNull()) {
    std::fprintf(stderr, "no preview of %s\n", qPrintable(photo));
    return;
  }
  auto* position = dialog.findChild<QWidget*>(idName(markPageId::kPage))
                       ->findChild<QComboBox*>(idName(markPageId::kPosition));
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    // A setting change as the user makes it: a new watermark position.
    const int next = (position->currentIndex() + 1) % position->count();
    position->setCurrentIndex(next);
    emit position->activated(next);
    waitIdle(dialog);
    dialog.Preview()->repaint();
    ms.push_back(clock.nsecsElapsed() / 1e6);
  }
  dialog.reject();
  std::printf("preview after a setting change (12 MP JPEG, slim 700 + frame + tiled text): median %.1f ms, "
              "min %.1f ms, max %.1f ms over %d runs\n",
              median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), runs);
}

void estimateTiming(int runs) {
  CSetMgr& s = CSetMgr::Instance();
  s.ResetToDefaults();
  s.set_nResizeSimpleType(settingsLists::kCustomSize);
  OnePicture pictures(QString{});
  std::vector<double> stalls, totals;
  for (int i = 0; i < runs; ++i) {
    s.set_nResizeWidth(3000);
    s.set_nResizeQuality(i % 3);  // a figure not computed yet
    SettingsPanel panel(&pictures);
    bool shown = false;
    QObject::connect(&panel, &SettingsPanel::estimateShown, [&] { shown = true; });
    // The longest time the event loop went without running: a 1 ms timer's largest gap.
    QElapsedTimer clock, gap;
    double longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longest = std::max(longest, gap.nsecsElapsed() / 1e6);
      gap.restart();
    });
    auto* preset = panel.findChild<QComboBox*>(idName(panelId::kSizePreset));
    tick.start();
    clock.start();
    gap.start();
    // The user picks the custom size: the handler asks for the estimate.
    emit preset->activated(settingsLists::kCustomSize);
    longest = std::max(longest, gap.nsecsElapsed() / 1e6);
    gap.restart();
    while (!shown) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    totals.push_back(clock.nsecsElapsed() / 1e6);
    stalls.push_back(longest);
  }
  std::printf("size estimate for width 3000: longest user interface stall %.1f ms (median of runs %.1f ms), "
              "figure shown after %.0f ms (median) over %d runs\n",
              *std::max_element(stalls.begin(), stalls.end()), median(stalls), median(totals), runs);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: settings_timing PHOTO.jpg [runs]\n");
    return 2;
  }
  QString problem;
  if (!BindEngine(&problem)) {
    std::fprintf(stderr, "%s\n", qPrintable(problem));
    return 1;
  }
  FrameCatalogue::Instance().LoadCatalogue();
  const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 9;
  previewTiming(QString::fromLocal8Bit(argv[1]), runs);
  estimateTiming(std::min(runs, 6));
  return 0;
}
