#include "FolderScanner.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

#include "PictureExtensions.h"
#include "SetMgr.h"

namespace {

QString withSlash(QString folder) {
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// Pictures are handed on in slices of this many while a folder is read.
constexpr size_t kDeliverEvery = 500;

}  // namespace

FolderScanner::FolderScanner(QObject* parent) : QObject(parent) {}

FolderScanner::~FolderScanner() {
  CancelAll();
  joinThread();
}

void FolderScanner::Queue(const QString& folder) {
  if (folder.isEmpty()) return;
  scanning_ = true;
  std::lock_guard lock(scanLock_);
  waiting_.push_back(folder);
  if (!running_) startNextLocked();
}

void FolderScanner::CancelAll() {
  std::lock_guard lock(scanLock_);
  waiting_.clear();
  cancel_ = true;
}

// Called with the scan lock held, with no scan thread alive (joined or never started).
void FolderScanner::startNextLocked() {
  if (waiting_.empty()) return;
  running_ = true;
  const QString root = waiting_.front();
  waiting_.pop_front();
  cancel_ = false;
  const bool subFolders = CSetMgr::Instance().bSubDir() == 1;
  thread_ = std::thread([this, root, subFolders] { run(root, subFolders); });
}

void FolderScanner::run(QString root, bool subFolders) {
  // Breadth-first; each folder's entries sorted by name so the list reads like a folder
  // view. Folders are remembered by their real path so a link back up the tree is read once.
  std::deque<QString> folders{withSlash(root)};
  QSet<QString> seen;
  const QString realRoot = QFileInfo(root).canonicalFilePath();
  if (!realRoot.isEmpty()) seen.insert(realRoot);
  std::vector<FoundPicture> found;
  while (!folders.empty() && !cancel_) {
    const QString folder = folders.front();
    folders.pop_front();
    std::vector<std::pair<QString, bool>> names;  // name, is a folder
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext() && !cancel_) {
      const QFileInfo info = it.nextFileInfo();
      names.emplace_back(info.fileName(), info.isDir());
    }
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
      return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [name, isFolder] : names) {
      if (cancel_) break;
      const QString full = folder + name;
      if (isFolder) {
        // A folder is never taken for a picture, whatever its name ends with.
        if (!subFolders) continue;
        const QString real = QFileInfo(full).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real)) continue;
        seen.insert(real);
        folders.push_back(full + QLatin1Char('/'));
        continue;
      }
      const QString lower = full.toLower();
      if (!IsSupportedPicture(lower)) continue;
      found.push_back({lower, full});
      if (found.size() >= kDeliverEvery) deliver(std::move(found)), found.clear();
    }
  }
  deliver(std::move(found));
  QMetaObject::invokeMethod(this, [this] { scanEnded(); }, Qt::QueuedConnection);
}

void FolderScanner::deliver(std::vector<FoundPicture>&& pictures) {
  if (pictures.empty()) return;
  std::lock_guard lock(pendingLock_);
  pending_.insert(pending_.end(), std::make_move_iterator(pictures.begin()),
                  std::make_move_iterator(pictures.end()));
  if (flushPosted_) return;
  flushPosted_ = true;
  QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
}

// User interface thread: hands on at most kBatch pictures, then yields to the event loop.
void FolderScanner::flush() {
  std::vector<FoundPicture> batch;
  {
    std::lock_guard lock(pendingLock_);
    const size_t n = std::min(pending_.size(), size_t(kBatch));
    batch.assign(std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.begin() + n));
    pending_.erase(pending_.begin(), pending_.begin() + n);
    flushPosted_ = !pending_.empty();
    if (flushPosted_) QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
  }
  if (!batch.empty()) emit found(std::move(batch));
}

void FolderScanner::joinThread() {
  if (thread_.joinable()) thread_.join();
}

// User interface thread, after the scan thread has posted its last batch.
void FolderScanner::scanEnded() {
  joinThread();
  {
    std::lock_guard lock(pendingLock_);
    if (!pending_.empty()) {
      // The last pictures are still being handed on: look again after them.
      QMetaObject::invokeMethod(this, [this] { scanEnded(); }, Qt::QueuedConnection);
      return;
    }
  }
  {
    std::lock_guard lock(scanLock_);
    running_ = false;
    if (!waiting_.empty()) {
      startNextLocked();
      return;
    }
  }
  scanning_ = false;
  emit finished();
}
