// One effect step of a chain. Steps hold no per-picture state: every parameter is read from
// CSetMgr when Process runs, and the picture travels in the image slot.
#pragma once

#include <QSize>
#include <QString>

#include "PictureItem.h"
#include "zelvo.h"

// Why a picture produced no output.
enum class FailureKind {
  None = 0,
  Unreadable,        // the source cannot be read or decoded
  FrameMissing,      // the chosen frame file is missing or of an unknown kind
  WatermarkMissing,  // the watermark picture is missing or unreadable
  WriteFailed,       // the output could not be written
  Other,
};

// The one image pointer the steps of a chain share for the current picture (null at the start
// of every picture), with what a stopping step says about why.
struct ImageSlot {
  ZvImage* image = nullptr;
  FailureKind failure = FailureKind::None;
  QString detail;      // engine error text or path, for the failure report
  QString outputPath;  // set by the saving step
  // The size the picture would have at full scale when the loading step decoded it smaller
  // (empty otherwise): the next resize computes its target size from it, so that sizes stay
  // those of a full decode. Turned with the picture; cleared once the picture is resized.
  QSize fullSize;
  void Fail(FailureKind kind, QString why = {}) {
    failure = kind;
    detail = std::move(why);
  }
};

class ProcessStep {
 public:
  virtual ~ProcessStep() = default;
  // True lets the picture go on; false stops the chain for it (say why through slot.Fail).
  virtual bool Process(const PictureItem& item, ImageSlot& slot) = 0;
};
