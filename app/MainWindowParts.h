// What the main window needs of the picture list and of the settings panel. The program uses
// the real list and panel (MakeDefaultListPane / MakeDefaultSettingsPane); widget tests may
// put stand-ins in their places.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class PictureSource;
class PictureSupply;
class QObject;
class QWidget;

class PictureListPane {
 public:
  virtual ~PictureListPane() = default;
  virtual QWidget* Widget() = 0;
  // The pictures as the settings panel's preview sees them (null: none).
  virtual const PictureSupply* Supply() const = 0;
  virtual PictureSource& Source() = 0;
  virtual int Count() const = 0;
  // A folder scan is still filling the list.
  virtual bool IsScanning() const = 0;
  virtual void AddPictures() = 0;
  virtual void AddFolder() = 0;
  // A dropped or given file or folder.
  virtual void AddPath(const QString& path) = 0;
  virtual void RemoveAll() = 0;
  // countChanged(n) after every change of the count; pkvAdded once a ".pkv" picture arrived.
  virtual void Notify(QObject* receiver, std::function<void(int)> countChanged,
                      std::function<void()> pkvAdded) = 0;
};

class SettingsPane {
 public:
  virtual ~SettingsPane() = default;
  virtual QWidget* Widget() = 0;
  // Silent copy of the panel's values into the settings.
  virtual void PanelToSettings() = 0;
  virtual void SettingsToPanel() = 0;
};

std::unique_ptr<PictureListPane> MakeDefaultListPane(QWidget* parent);
std::unique_ptr<SettingsPane> MakeDefaultSettingsPane(const PictureSupply* pictures, QWidget* parent);
