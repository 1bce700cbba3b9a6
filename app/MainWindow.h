// The main window (dialog 102): the picture list on the left, the settings panel on the
// right, the generate and list commands, the link labels and the update prompt.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "MainWindowParts.h"

class QCheckBox;
class QLabel;
class QPushButton;
class UpdatePrompt;

namespace MainWindowId {
constexpr int kPictureList = 100;
constexpr int kPkvToJpg = 1037;
constexpr int kAddFolder = 1044;
constexpr int kAddPictures = 1047;
constexpr int kClearList = 1054;
constexpr int kGenerate = 1056;
constexpr int kLinkGuide = 1125;
constexpr int kLinkFaq = 1126;
constexpr int kLinkTips = 1127;
constexpr int kLinkHome = 1133;
constexpr int kSettingsPanel = 144;
}  // namespace MainWindowId

// How the generate command runs the export once the destination is chosen: the progress
// window, modal; true when it ended with "处理下一批文件 ...".
using ExportRunner = std::function<bool(QWidget* parent, PictureSource& source)>;

struct MainWindowOptions {
  std::unique_ptr<PictureListPane> list;      // null: the real picture list
  std::unique_ptr<SettingsPane> settings;     // null: the real settings panel
  bool checkForUpdates = true;                // load the updater and ask once
  QString updaterLibrary;                     // empty: libZlvUp.so in the program folder
  ExportRunner runExport;                     // empty: the progress window
};

class MainWindow : public QDialog {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
  ~MainWindow() override;

  static constexpr int kInitialWidth = 870;
  static constexpr int kInitialHeight = 600;

  PictureListPane& List() { return *list_; }
  SettingsPane& Settings() { return *settings_; }
  // Null when no check was started (no library, no Check entry, or switched off).
  UpdatePrompt* Updates() { return updates_.get(); }

  // The commands of the buttons.
  void Generate();
  void ClearList();
  void ShowAbout();

  // Copies the panel into the settings (silently) before the window goes.
  void done(int result) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool ChooseDestination();
  void PlaceControls();
  void OnCountChanged(int count);

  std::unique_ptr<PictureListPane> list_;
  std::unique_ptr<SettingsPane> settings_;
  std::unique_ptr<UpdatePrompt> updates_;
  ExportRunner runExport_;
  QPushButton* addPictures_ = nullptr;
  QPushButton* addFolder_ = nullptr;
  QPushButton* clearList_ = nullptr;
  QPushButton* generate_ = nullptr;
  QCheckBox* pkvToJpg_ = nullptr;
  std::vector<QLabel*> links_;
  QLabel* about_ = nullptr;
};
