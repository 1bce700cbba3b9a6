// A PictureSource over a fixed list of pictures, safe for any number of workers: the source
// of gallivo-batch, the tests and anything else that has its pictures up front.
#pragma once

#include <mutex>
#include <vector>

#include "PictureSource.h"

class FixedPictureSource : public PictureSource {
 public:
  FixedPictureSource() = default;
  // Positions are renumbered 0, 1, 2, ... in list order.
  explicit FixedPictureSource(std::vector<PictureItem> items);

  // An item for a file as the picture list makes it: the lower-cased path for naming, the
  // path as given for opening.
  static PictureItem ItemFor(const QString& filePath, int rotation = 0);

  void Begin(int workers, RunObserver* observer) override;
  bool Next(PictureItem& out) override;
  int Count() const override;
  bool ItemAt(int index, PictureItem& out) const override;
  int Remaining() const override;
  void ItemDone(const PictureItem& item, const ImageSlot& outcome) override;
  void WorkerDone() override;

 private:
  mutable std::mutex lock_;
  std::vector<PictureItem> items_;
  size_t cursor_ = 0;
  int workers_ = 0;
  RunObserver* observer_ = nullptr;
};
