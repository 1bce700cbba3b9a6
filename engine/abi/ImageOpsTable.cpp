// The operation table shared by every image kind. Slots without a contract answer 0;
// each file of this folder fills the slots it implements.
#include "abi/ImageOps.h"
#include "core/Image.h"

namespace zelvo {
namespace {

uintptr_t reservedOp(void*) { return 0; }

ZvImageOps buildTable() {
  ZvImageOps ops;
  auto* slots = reinterpret_cast<ZvReservedOp*>(&ops);
  for (size_t s = 0; s < sizeof(ZvImageOps) / sizeof(void*); ++s) slots[s] = reservedOp;
  fillCoreOps(ops);
  fillTransformOps(ops);
  fillFormatOps(ops);
  fillGifFieldOps(ops);
  fillEffectOps(ops);
  return ops;
}

}  // namespace

const ZvImageOps* imageOps() {
  static const ZvImageOps table = buildTable();
  return &table;
}

}  // namespace zelvo
