// The picture list of the main window (control 100): the ordered pictures of the next export,
// shown as tiles with lazily made thumbnails. Pictures come from the file dialog, the folder
// browser (scanned on a background thread), drops and the main window's AddPath. The list is
// the export's PictureSource and the preview's PictureSupply.
#pragma once

#include <QWidget>
#include <memory>

#include "PictureListModel.h"
#include "PictureSupply.h"
#include "TileArt.h"

class FolderScanner;
class ListPictureSource;
class PictureSource;
class PictureTileView;
class ThumbnailWorker;

class PictureListWidget : public QWidget, public PictureSupply {
  Q_OBJECT
 public:
  static constexpr int kId = 100;

  explicit PictureListWidget(QWidget* parent = nullptr);
  // Cancels and joins a running scan, stops the thumbnail worker.
  ~PictureListWidget() override;

  int Count() const override;
  bool ItemAt(int index, PictureItem& out) const override;
  // The list as the export's source (Next may be called from any worker thread).
  PictureSource& Source();
  bool IsScanning() const;

  // Button 1047 "添加图片...": the multi-select file dialog; every chosen file goes to AddFile.
  void AddPictures();
  // Button 1044 "添加文件夹...": the folder browser; the folder is queued for scanning.
  void AddFolder();
  // A file (AddFile) or a folder (QueueFolderScan).
  void AddPath(const QString& path);
  // A supported file is lower-cased and appended; anything else is ignored.
  void AddFile(const QString& path);
  void QueueFolderScan(const QString& folder);
  void RemoveAll();
  void RemoveAt(int index);
  // Quarter turns (-1 left, +1 right) of a tile whose thumbnail is made.
  bool Rotate(int index, int delta);
  // The edit button and the double click: only on a made thumbnail; the offer when the editor
  // is missing.
  void EditPicture(int index);

  // For the main window's status and for tests.
  const PictureListModel& Model() const { return *model_; }
  PictureTileView* View() const { return view_; }

 signals:
  void countChanged(int count);
  // A ".pkv" file was added (the main window shows check box 1037).
  void pkvAdded();
  // The last queued folder is scanned.
  void scanFinished();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void append(std::span<const FoundPicture> pictures);
  void onButton(int index, TileButton button);
  void requestThumbnails();
  void scheduleThumbnails();

  PictureListModel* model_;
  PictureTileView* view_;
  FolderScanner* scanner_;
  std::unique_ptr<ThumbnailWorker> worker_;
  std::unique_ptr<ListPictureSource> source_;
  bool thumbnailsScheduled_ = false;
};
