// The real picture list and settings panel in the main window's places.
#include <QObject>
#include <QWidget>

#include "MainWindowParts.h"
#include "PictureSource.h"

#if __has_include("PictureListWidget.h")
#include "PictureListWidget.h"
#define GALLIVO_HAVE_LIST 1
#endif
#if __has_include("SettingsPanel.h")
#include "SettingsPanel.h"
#define GALLIVO_HAVE_PANEL 1
#endif

namespace {

#ifdef GALLIVO_HAVE_LIST
class ListPane final : public PictureListPane {
 public:
  explicit ListPane(QWidget* parent) : list_(new PictureListWidget(parent)) {}
  QWidget* Widget() override { return list_; }
  const PictureSupply* Supply() const override { return list_; }
  PictureSource& Source() override { return list_->Source(); }
  int Count() const override { return list_->Count(); }
  bool IsScanning() const override { return list_->IsScanning(); }
  void AddPictures() override { list_->AddPictures(); }
  void AddFolder() override { list_->AddFolder(); }
  void AddPath(const QString& path) override { list_->AddPath(path); }
  void RemoveAll() override { list_->RemoveAll(); }
  void Notify(QObject* receiver, std::function<void(int)> countChanged,
              std::function<void()> pkvAdded) override {
    QObject::connect(list_, &PictureListWidget::countChanged, receiver, std::move(countChanged));
    QObject::connect(list_, &PictureListWidget::pkvAdded, receiver, std::move(pkvAdded));
  }

 private:
  PictureListWidget* list_;  // owned by the window
};
#else
// Until the list lands: an empty place.
class EmptySource final : public PictureSource {
 public:
  void Begin(int, RunObserver* observer) override { observer_ = observer; workers_ = 0; }
  bool Next(PictureItem&) override { return false; }
  int Count() const override { return 0; }
  bool ItemAt(int, PictureItem&) const { return false; }
  int Remaining() const override { return 0; }
  void ItemDone(const PictureItem&, const ImageSlot&) override {}
  void WorkerDone() override {
    if (observer_) observer_->OnAllWorkersDone();
  }

 private:
  RunObserver* observer_ = nullptr;
  int workers_ = 0;
};

class ListPane final : public PictureListPane {
 public:
  explicit ListPane(QWidget* parent) : widget_(new QWidget(parent)) {
    widget_->setObjectName(QStringLiteral("100"));
  }
  QWidget* Widget() override { return widget_; }
  const PictureSupply* Supply() const override { return nullptr; }
  PictureSource& Source() override { return source_; }
  int Count() const override { return 0; }
  bool IsScanning() const override { return false; }
  void AddPictures() override {}
  void AddFolder() override {}
  void AddPath(const QString&) override {}
  void RemoveAll() override {}
  void Notify(QObject*, std::function<void(int)>, std::function<void()>) override {}

 private:
  QWidget* widget_;
  EmptySource source_;
};
#endif

#ifdef GALLIVO_HAVE_PANEL
class PanelPane final : public SettingsPane {
 public:
  PanelPane(const PictureSupply* pictures, QWidget* parent)
      : panel_(new SettingsPanel(pictures, parent)) {}
  QWidget* Widget() override { return panel_; }
  void PanelToSettings() override { panel_->PanelToSettings(); }
  void SettingsToPanel() override { panel_->SettingsToPanel(); }

 private:
  SettingsPanel* panel_;  // owned by the window
};
#else
class PanelPane final : public SettingsPane {
 public:
  PanelPane(const PictureSupply*, QWidget* parent) : widget_(new QWidget(parent)) {
    widget_->setObjectName(QStringLiteral("144"));
  }
  QWidget* Widget() override { return widget_; }
  void PanelToSettings() override {}
  void SettingsToPanel() override {}

 private:
  QWidget* widget_;
};
#endif

}  // namespace

std::unique_ptr<PictureListPane> MakeDefaultListPane(QWidget* parent) {
  return std::make_unique<ListPane>(parent);
}

std::unique_ptr<SettingsPane> MakeDefaultSettingsPane(const PictureSupply* pictures, QWidget* parent) {
  return std::make_unique<PanelPane>(pictures, parent);
}
