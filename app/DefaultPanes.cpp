// The real picture list and settings panel in the main window's places.
#include <QObject>
#include <QWidget>

#include "MainWindowParts.h"
#include "PictureListWidget.h"
#include "SettingsPanel.h"

namespace {

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

}  // namespace

std::unique_ptr<PictureListPane> MakeDefaultListPane(QWidget* parent) {
  return std::make_unique<ListPane>(parent);
}

std::unique_ptr<SettingsPane> MakeDefaultSettingsPane(const PictureSupply* pictures, QWidget* parent) {
  return std::make_unique<PanelPane>(pictures, parent);
}
