// The pictures of the list as the settings dialog's preview sees them (user interface thread).
#pragma once

#include "PictureItem.h"

class PictureSupply {
 public:
  virtual ~PictureSupply() = default;
  virtual int Count() const = 0;
  // A copy of the item at index; false outside the list.
  virtual bool ItemAt(int index, PictureItem& out) const = 0;
};
