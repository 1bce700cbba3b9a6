// Times the watermark steps the way an export runs them: two worker threads take pictures from
// one list; each picture is loaded by the engine, stamped by the step and saved as JPEG.
// Usage: watermark_timing text|texttiles|logotiles LOGO OUTDIR PICTURE...
// Prints the wall time of the whole run in seconds.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "EngineApi.h"
#include "EngineObjects.h"
#include "PictureMarkStep.h"
#include "SetMgr.h"
#include "TextMarkStep.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s text|texttiles|logotiles LOGO OUTDIR PICTURE...\n", argv[0]);
    return 2;
  }
  QString problem;
  if (!BindEngine(&problem)) {
    std::fprintf(stderr, "engine: %s\n", qPrintable(problem));
    return 1;
  }
  const QString mode = QString::fromLocal8Bit(argv[1]);
  const QString outDir = QString::fromLocal8Bit(argv[3]);
  QDir().mkpath(outDir);
  std::vector<QString> pictures;
  for (int i = 4; i < argc; ++i) pictures.push_back(QString::fromLocal8Bit(argv[i]));

  CSetMgr& s = CSetMgr::Instance();
  s.ResetToDefaults();
  s.set_bPhotoMark(1);
  if (mode == "texttiles" || mode == "logotiles") s.set_nMarkPosStyle(1);
  if (mode == "logotiles") {
    s.set_nMarkStyle(1);
    s.set_strMarkPicPath(QString::fromLocal8Bit(argv[2]));
  }
  const bool logo = mode == "logotiles";

  // The program has its fonts loaded long before an export starts: warm the font database up.
  MarkBox box;
  TextMarkPath(TextMarkSettings::FromSettings(s), &box);

  std::atomic<size_t> next{0};
  std::atomic<int> failures{0};
  auto worker = [&] {
    std::unique_ptr<ProcessStep> step;
    if (logo)
      step = std::make_unique<PictureMarkStep>();
    else
      step = std::make_unique<TextMarkStep>();
    for (size_t i; (i = next++) < pictures.size();) {
      ImageOwner img = NewImage();
      const QString& in = pictures[i];
      if (!img || !img->ops->Load(img.get(), reinterpret_cast<const char16_t*>(in.utf16()), 0) ||
          !img->ops->IncreaseBpp(img.get(), 24)) {
        ++failures;
        continue;
      }
      ImageSlot slot;
      slot.image = img.get();
      if (!step->Process(PictureItem{in, in, int(i), 0}, slot)) ++failures;
      const QString out = outDir + "/" + QFileInfo(in).completeBaseName() + ".jpg";
      img->ops->SetJpegQuality(img.get(), 85);
      if (!img->ops->Save(img.get(), reinterpret_cast<const char16_t*>(out.utf16()), 3)) ++failures;
    }
  };
  const auto start = std::chrono::steady_clock::now();
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f\n", seconds);
  return failures ? 1 : 0;
}
