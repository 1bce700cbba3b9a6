// The selection tracker of export e: a rectangle with eight sizing handles; the hit code
// of a point picks one of the six standard cursors.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>

#include "EngineObjects.h"

namespace zelvo {
namespace {

struct Tracker : ZvTracker {
  ZvRect rect = {0, 0, 0, 0};
  int32_t handleSize = 6;
  // Cursor of each hit code, 0 (inside) then handles 1..8 clockwise from the top-left.
  std::array<int32_t, 9> cursors = {ZV_CURSOR_SIZEALL,  ZV_CURSOR_SIZENWSE, ZV_CURSOR_SIZENS,
                                    ZV_CURSOR_SIZENESW, ZV_CURSOR_SIZEWE,   ZV_CURSOR_SIZENWSE,
                                    ZV_CURSOR_SIZENS,   ZV_CURSOR_SIZENESW, ZV_CURSOR_SIZEWE};
};

Tracker* T(ZvTracker* s) { return static_cast<Tracker*>(s); }

ZvRect normalised(ZvRect r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

// Handle centres, clockwise from the top-left corner.
std::array<ZvPoint, 8> handleCentres(const ZvRect& r) {
  // In 64 bits: the span of two far-apart corners does not fit 32.
  const int32_t cx = int32_t(r.left + (int64_t(r.right) - r.left) / 2);
  const int32_t cy = int32_t(r.top + (int64_t(r.bottom) - r.top) / 2);
  return {{{r.left, r.top}, {cx, r.top}, {r.right, r.top}, {r.right, cy},
           {r.right, r.bottom}, {cx, r.bottom}, {r.left, r.bottom}, {r.left, cy}}};
}

int32_t hitTest(const Tracker& t, ZvPoint p) {
  const int32_t half = std::max(t.handleSize / 2, 1);
  const auto centres = handleCentres(t.rect);
  for (size_t h = 0; h < centres.size(); ++h)
    if (std::abs(int64_t(p.x) - centres[h].x) <= half && std::abs(int64_t(p.y) - centres[h].y) <= half)
      return int32_t(h) + 1;
  if (p.x >= t.rect.left && p.x < t.rect.right && p.y >= t.rect.top && p.y < t.rect.bottom) return 0;
  return -1;
}

// Which edges each hit code moves: left, top, right, bottom.
constexpr std::array<std::array<bool, 4>, 9> kMoves = {{
    {true, true, true, true},   {true, true, false, false},  {false, true, false, false},
    {false, true, true, false}, {false, false, true, false}, {false, false, true, true},
    {false, false, false, true}, {true, false, false, true}, {true, false, false, false},
}};

const ZvTrackerOps kOps = {
    [](ZvTracker* s, bool freeMemory) {
      if (freeMemory) delete T(s);
    },
    [](ZvTracker* s, ZvRect r) { T(s)->rect = normalised(r); },
    [](ZvTracker* s) { return T(s)->rect; },
    [](ZvTracker* s, int32_t px) { T(s)->handleSize = std::clamp(px, 1, 256); },
    [](ZvTracker* s, ZvPoint p) { return hitTest(*T(s), p); },
    [](ZvTracker* s, ZvPoint p) {
      const int32_t hit = hitTest(*T(s), p);
      return hit < 0 ? int32_t(ZV_CURSOR_ARROW) : T(s)->cursors[size_t(hit)];
    },
    [](ZvTracker* s, int32_t hit, int32_t dx, int32_t dy) {
      if (hit < 0 || hit > 8) return false;
      const auto& m = kMoves[size_t(hit)];
      ZvRect& r = T(s)->rect;
      // 64-bit sums, saturated: a hostile delta must not wrap the rectangle.
      auto add = [](int32_t v, int32_t d) {
        return int32_t(std::clamp<int64_t>(int64_t(v) + d, INT32_MIN, INT32_MAX));
      };
      if (m[0]) r.left = add(r.left, dx);
      if (m[1]) r.top = add(r.top, dy);
      if (m[2]) r.right = add(r.right, dx);
      if (m[3]) r.bottom = add(r.bottom, dy);
      r = normalised(r);
      return true;
    },
};

}  // namespace

ZvTracker* makeTracker() {
  Tracker* t = new (std::nothrow) Tracker;
  if (t) t->ops = &kOps;
  return t;
}

}  // namespace zelvo
