#include "PictureListWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "EditorLauncher.h"
#include "FolderScanner.h"
#include "ListPictureSource.h"
#include "PictureExtensions.h"
#include "PictureTileView.h"
#include "ThumbnailWorker.h"
#include "UserDialogs.h"

namespace {

// Thumbnails are asked for this far around the tiles shown.
constexpr int kAheadBefore = 10;
constexpr int kAheadAfter = 100;

}  // namespace

PictureListWidget::PictureListWidget(QWidget* parent)
    : QWidget(parent),
      model_(new PictureListModel(this)),
      view_(new PictureTileView(*model_, this)),
      scanner_(new FolderScanner(this)),
      worker_(std::make_unique<ThumbnailWorker>()),
      source_(std::make_unique<ListPictureSource>(*model_)) {
  setObjectName(idName(kId));
  setAcceptDrops(true);
  TileArt::Get();  // drawn now rather than inside the first paint
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);

  connect(scanner_, &FolderScanner::found, this, [this](const std::vector<FoundPicture>& batch) { append(batch); });
  connect(scanner_, &FolderScanner::finished, this, &PictureListWidget::scanFinished);
  connect(worker_.get(), &ThumbnailWorker::made, model_, &PictureListModel::SetThumbnail);
  connect(worker_.get(), &ThumbnailWorker::evicted, this, [this](quint64 id) {
    model_->Evict(id);
    scheduleThumbnails();
  });
  connect(model_, &PictureListModel::aboutToRemove, this, [this](int, quint64 id) { worker_->PostForget(id); });
  connect(model_, &PictureListModel::removed, this, [this](int index) { source_->OnRemoved(index); });
  connect(model_, &PictureListModel::cleared, this, [this] {
    worker_->PostClearCache();
    source_->OnCleared();
  });
  connect(view_, &PictureTileView::visibleRangeChanged, this, [this] { scheduleThumbnails(); });
  connect(view_, &PictureTileView::buttonClicked, this, &PictureListWidget::onButton);
  connect(view_, &PictureTileView::tileDoubleClicked, this, &PictureListWidget::EditPicture);
}

PictureListWidget::~PictureListWidget() {
  delete scanner_;  // cancels and joins the scan before the list goes
  scanner_ = nullptr;
  worker_.reset();
}

int PictureListWidget::Count() const { return model_->Count(); }

bool PictureListWidget::ItemAt(int index, PictureItem& out) const {
  if (index < 0 || index >= model_->Count()) return false;
  out = model_->At(index).item;
  return true;
}

PictureSource& PictureListWidget::Source() { return *source_; }

bool PictureListWidget::IsScanning() const { return scanner_ && scanner_->IsScanning(); }

void PictureListWidget::AddPictures() {
  const QStringList files = UserDialogs::Current().OpenFiles(this, QString(), PictureFileFilter());
  for (const QString& file : files) AddFile(file);
}

void PictureListWidget::AddFolder() {
  const QString folder = UserDialogs::Current().ChooseFolder(this, QStringLiteral("选择要添加的目录："));
  if (!folder.isEmpty()) QueueFolderScan(folder);
}

void PictureListWidget::AddPath(const QString& path) {
  if (path.isEmpty()) return;
  if (QFileInfo(path).isDir())
    QueueFolderScan(path);
  else
    AddFile(path);
}

void PictureListWidget::AddFile(const QString& path) {
  const QString lower = path.toLower();
  if (!IsSupportedPicture(lower)) return;
  const FoundPicture picture{lower, path};
  append(std::span(&picture, 1));
}

void PictureListWidget::QueueFolderScan(const QString& folder) {
  if (scanner_) scanner_->Queue(folder);
}

void PictureListWidget::append(std::span<const FoundPicture> pictures) {
  if (pictures.empty()) return;
  bool pkv = false;
  for (const FoundPicture& p : pictures) pkv = pkv || IsPkvPath(p.path);
  model_->Append(pictures);
  if (pkv) emit pkvAdded();
  emit countChanged(model_->Count());
}

void PictureListWidget::RemoveAt(int index) {
  if (index < 0 || index >= model_->Count()) return;
  model_->RemoveAt(index);
  emit countChanged(model_->Count());
}

void PictureListWidget::RemoveAll() {
  model_->Clear();
  emit countChanged(0);
}

bool PictureListWidget::Rotate(int index, int delta) { return model_->Rotate(index, delta); }

void PictureListWidget::EditPicture(int index) {
  if (index < 0 || index >= model_->Count()) return;
  const ListEntry& entry = model_->At(index);
  if (entry.state != kThumbMade) return;
  if (!LaunchEditor(entry.item.OpenPath())) OfferEditor(this);
}

void PictureListWidget::onButton(int index, TileButton button) {
  switch (button) {
    case TileButton::RotateLeft: Rotate(index, -1); break;
    case TileButton::RotateRight: Rotate(index, +1); break;
    case TileButton::Edit: EditPicture(index); break;
    case TileButton::Remove: RemoveAt(index); break;
  }
}

// Many changes in one event-loop turn (a scan batch, a scroll) make one request.
void PictureListWidget::scheduleThumbnails() {
  if (thumbnailsScheduled_) return;
  thumbnailsScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    thumbnailsScheduled_ = false;
    requestThumbnails();
  });
}

void PictureListWidget::requestThumbnails() {
  const auto [first, last] = view_->VisibleRange();
  QList<ThumbRequest> requests;
  if (first <= last) {
    const int from = std::max(0, first - kAheadBefore);
    const int to = std::min(model_->Count() - 1, last + kAheadAfter);
    for (int i = from; i <= to; ++i) {
      const ListEntry& entry = model_->At(i);
      if (entry.state == kThumbPending) requests.push_back({entry.id, entry.item.OpenPath()});
    }
  }
  worker_->PostReplace(std::move(requests));
}

void PictureListWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PictureListWidget::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PictureListWidget::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) AddPath(url.toLocalFile());
  event->acceptProposedAction();
}
