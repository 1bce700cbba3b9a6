// StepChain: the ordered steps built from the settings, run over the pictures a source hands
// out. One chain belongs to one thread; the picture travels in the chain's image slot.
#pragma once

#include <memory>
#include <vector>

#include "PictureSource.h"

class CSetMgr;

class StepChain {
 public:
  StepChain() = default;
  StepChain(StepChain&&) = default;
  StepChain& operator=(StepChain&&) = default;

  // Adds a step at the end; a null step is ignored.
  void Append(std::unique_ptr<ProcessStep> step);
  void SetSource(PictureSource* source) { source_ = source; }
  // Runs the steps over every picture of the source until it is empty or the job's cancel
  // flag is set, then tells the source this worker is done. False when no source is set.
  bool Run();
  // Runs the steps on one picture; the slot ends empty (a picture a step left behind when it
  // stopped is released). True when every step let the picture through.
  bool ProcessOne(const PictureItem& item, ImageSlot& slot);

  size_t Size() const { return steps_.size(); }
  const ProcessStep* StepAt(size_t i) const { return steps_[i].get(); }

 private:
  std::vector<std::unique_ptr<ProcessStep>> steps_;
  PictureSource* source_ = nullptr;
};

// The chain of an export worker and of the preview, from the current settings.
StepChain BuildExportChain();
StepChain BuildPreviewChain();
