#include "StepChain.h"

#include "CornerStep.h"
#include "EngineObjects.h"
#include "FrameStep.h"
#include "GifSteps.h"
#include "JobContext.h"
#include "JpegQualityStep.h"
#include "LoadStep.h"
#include "PictureMarkStep.h"
#include "PreviewStep.h"
#include "ResizeStep.h"
#include "SaveStep.h"
#include "SetMgr.h"
#include "TextMarkStep.h"
#include "UserRotationStep.h"

void StepChain::Append(std::unique_ptr<ProcessStep> step) {
  if (step) steps_.push_back(std::move(step));
}

bool StepChain::ProcessOne(const PictureItem& item, ImageSlot& slot) {
  slot = ImageSlot{};
  bool through = true;
  for (const auto& step : steps_) {
    if (!step->Process(item, slot)) {
      through = false;
      // A step that stops without saying why: the picture simply did not make it.
      if (slot.failure == FailureKind::None) slot.Fail(FailureKind::Other);
      break;
    }
  }
  // Whatever a stopping step left in the slot goes back to the engine now.
  ReleaseImage(slot.image);
  return through;
}

bool StepChain::Run() {
  if (!source_) return false;
  PictureItem item;
  ImageSlot slot;
  while (JobContext::Instance().cancel.load() == 0 && source_->Next(item)) {
    ProcessOne(item, slot);
    source_->ItemDone(item, slot);
  }
  source_->WorkerDone();
  return true;
}

namespace {

using Condition = bool (*)(const CSetMgr&);
using Factory = std::unique_ptr<ProcessStep> (*)();

struct ChainRow {
  Condition when;
  Factory make;
};

template <class Step>
std::unique_ptr<ProcessStep> make() {
  return std::make_unique<Step>();
}

bool always(const CSetMgr&) { return true; }
bool slimming(const CSetMgr& s) { return s.bPhotoResize() == 1; }
bool framing(const CSetMgr& s) { return s.nFrameType() == 1 && s.bPhotoFrames() == 1; }
bool rounding(const CSetMgr& s) { return s.nFrameType() == 0 && s.bPhotoFrames() == 1; }
bool textMark(const CSetMgr& s) { return s.nMarkStyle() == 0 && s.bPhotoMark() == 1; }
bool pictureMark(const CSetMgr& s) { return s.nMarkStyle() == 1 && s.bPhotoMark() == 1; }
bool showcase(const CSetMgr& s) { return s.bPhotoGIF() == 1; }
bool writing(const CSetMgr& s) { return s.bPhotoGIF() == 0; }

std::unique_ptr<ProcessStep> makeShowcaseLoad() { return std::make_unique<LoadStep>(true); }

// Position 1: an export chain's loading step knows that a showcase run fits the picture on
// the canvas; a preview chain's does not.
const ChainRow kExportHead[] = {{always, makeShowcaseLoad}};
const ChainRow kPreviewHead[] = {{always, make<LoadStep>}};

// The effect steps shared by both chains, in their fixed order (positions 2 to 8).
const ChainRow kEffectRows[] = {
    {always, make<UserRotationStep>},  // 2
    {slimming, make<ResizeStep>},      // 3
    {framing, make<FrameStep>},        // 4
    {slimming, make<ResizeStep>},      // 5: brings a framed picture back to the width
    {rounding, make<CornerStep>},      // 6
    {textMark, make<TextMarkStep>},        // 7
    {pictureMark, make<PictureMarkStep>},  // 8
};

// What ends an export chain (positions 9 and 10).
const ChainRow kExportTail[] = {
    {writing, make<JpegQualityStep>},  // 9
    {showcase, make<GifFitStep>},      // 10, showcase
    {showcase, make<GifAddStep>},
    {writing, make<SaveStep>},  // 10, one file per picture
};

// What ends a preview chain: never saves.
const ChainRow kPreviewTail[] = {
    {always, make<JpegQualityStep>},
    {always, make<PreviewStep>},
};

template <size_t N>
void appendRows(StepChain& chain, const ChainRow (&rows)[N], const CSetMgr& settings) {
  for (const ChainRow& row : rows)
    if (row.when(settings)) chain.Append(row.make());
}

}  // namespace

StepChain BuildExportChain() {
  const CSetMgr& settings = CSetMgr::Instance();
  StepChain chain;
  appendRows(chain, kExportHead, settings);
  appendRows(chain, kEffectRows, settings);
  appendRows(chain, kExportTail, settings);
  return chain;
}

StepChain BuildPreviewChain() {
  const CSetMgr& settings = CSetMgr::Instance();
  StepChain chain;
  appendRows(chain, kPreviewHead, settings);
  appendRows(chain, kEffectRows, settings);
  appendRows(chain, kPreviewTail, settings);
  return chain;
}
