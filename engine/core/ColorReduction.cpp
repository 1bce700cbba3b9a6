// DecreaseBpp: reduction of a picture to 1, 4 or 8 bits, optionally with error diffusion.
#include "ColorReduction.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

#include "Image.h"

namespace zelvo {

NearestColor::NearestColor(std::span<const ZvRGBQuad> entries, bool fillAll)
    : entries_(entries.begin(), entries.begin() + long(std::min<size_t>(entries.size(), 256))),
      cells_(size_t(kCellsPerAxis) * kCellsPerAxis * kCellsPerAxis) {
  if (!fillAll) return;
  for (int r = 0; r < 256; r += 1 << kCellBits)
    for (int g = 0; g < 256; g += 1 << kCellBits)
      for (int b = 0; b < 256; b += 1 << kCellBits) cell(r, g, b);
}

NearestColor& NearestColor::standard(uint32_t depth) {
  // Thread-safe statics: the two export workers reduce pictures at the same time.
  static NearestColor one(standardPalette(1), true);
  static NearestColor four(standardPalette(4), true);
  static NearestColor eight(standardPalette(8), true);
  return depth == 1 ? one : depth == 4 ? four : eight;
}

const NearestColor::Cell& NearestColor::cell(int red, int green, int blue) {
  Cell& c = cells_[size_t(((red >> kCellBits) * kCellsPerAxis + (green >> kCellBits)) * kCellsPerAxis +
                          (blue >> kCellBits))];
  if (c.filled) return c;
  const int edge = (1 << kCellBits) - 1;
  const int lo[3] = {red & ~edge, green & ~edge, blue & ~edge};
  auto span = [&](const ZvRGBQuad& e, bool far) {
    const int v[3] = {e.red, e.green, e.blue};
    int d = 0;
    for (int k = 0; k < 3; ++k) {
      const int below = lo[k] - v[k], above = v[k] - (lo[k] + edge);
      const int g = far ? std::max(std::abs(below), std::abs(above)) : std::max({below, above, 0});
      d += g * g;
    }
    return d;
  };
  int bound = INT_MAX;
  for (const ZvRGBQuad& e : entries_) bound = std::min(bound, span(e, true));
  c.first = uint32_t(candidates_.size());
  for (size_t i = 0; i < entries_.size(); ++i)
    if (span(entries_[i], false) <= bound) candidates_.push_back(uint8_t(i));
  c.count = uint16_t(candidates_.size() - c.first);
  c.filled = true;
  return c;
}

uint8_t NearestColor::find(uint8_t red, uint8_t green, uint8_t blue) {
  if (entries_.empty()) return 0;
  const Cell& c = cell(red, green, blue);
  int32_t best = INT_MAX;
  uint8_t bestIndex = 0;
  for (uint32_t n = c.first; n < c.first + c.count; ++n) {
    const ZvRGBQuad& e = entries_[candidates_[n]];
    const int32_t db = e.blue - blue, dg = e.green - green, dr = e.red - red;
    const int32_t d = db * db + dg * dg + dr * dr;
    if (d < best) {  // candidates run in index order: the first of equals stays
      best = d;
      bestIndex = candidates_[n];
      if (d == 0) break;
    }
  }
  return bestIndex;
}

namespace {

uint8_t clampChannel(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

// The diffusion weights, in sixteenths: right neighbour, then the next stored row.
struct Spread {
  int32_t dx, dy, weight;
};
constexpr Spread kSpread[] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};

}  // namespace

bool Image::decreaseBpp(uint32_t bpp, bool errorDiffusion, const ZvRGBQuad* pal,
                        uint32_t important) {
  if (!valid()) return false;
  if (depth() < bpp) {
    setLastError("DecreaseBpp: target BPP greater than source BPP");
    return false;
  }
  if (depth() == bpp) {
    if (important == 0) return true;
    if (head.biClrImportant != 0 && head.biClrImportant < important) return true;
  }

  ImagePtr tmp = Image::make(info.type);
  tmp->copyInfo(*this);
  if (!tmp->create(uint32_t(width()), uint32_t(height()), bpp, info.type)) {
    setLastError(tmp->lastError());
    return false;
  }
  ZvRGBQuad* tmpPal = tmp->palette();
  if (!tmpPal) return true;  // a 24-bit target of a 24-bit picture: nothing to reduce
  const uint32_t slots = tmp->numColors();
  // More important colours than palette entries would make the search read past the
  // table: such a count means the whole palette, as SetClrImportant treats it.
  const uint32_t limit = std::min(important, slots);
  if (important) {
    tmp->head.biClrImportant = important > slots ? 0 : important;
    tmp->syncHeader();
  }
  if (alpha) {
    if (!tmp->allocAlpha()) {
      setLastError("DecreaseBpp: can't allocate memory");
      return false;
    }
    std::memcpy(tmp->alpha.get(), alpha.get(), size_t(width()) * size_t(height()));
  }
  if (!pal) {
    const auto standard = standardPalette(tmp->depth());
    tmp->setPalette(standard.data(), uint32_t(standard.size()));
  } else {
    tmp->setPalette(pal, important ? limit : slots);
  }
  tmp->info.cacheValid = false;
  tmpPal = tmp->palette();

  std::optional<NearestColor> own;
  if (pal || (limit && limit < slots))
    own.emplace(std::span<const ZvRGBQuad>(tmpPal, limit ? limit : slots));
  NearestColor& nearest = own ? *own : NearestColor::standard(tmp->depth());
  statusBegin(u"调整色彩数");
  const int32_t w = width(), h = height();
  const bool direct = depth() == 24;  // 24-bit sources are read and diffused in place
  const bool eightBits = tmp->depth() == 8;
  ZvRGBQuad last = {0, 0, 0, 0};
  uint8_t lastIndex = 0;
  for (int32_t y = 0; y < h; ++y) {
    const int32_t percent = int32_t(int64_t(y) * 100 / h);
    statusProgress(percent);
    info.progress = percent;
    uint8_t* src = direct ? row(y) : nullptr;
    uint8_t* dst = tmp->row(y);
    uint8_t* upRow = direct && y + 1 < h ? row(y + 1) : nullptr;
    for (int32_t x = 0; x < w; ++x) {
      const ZvRGBQuad c =
          direct ? ZvRGBQuad{src[3 * x], src[3 * x + 1], src[3 * x + 2], 0} : pixelColor(x, y, false);
      const uint8_t index = nearest.find(c.red, c.green, c.blue);
      if (eightBits)
        dst[x] = index;
      else
        tmp->setPixelIndex(x, y, index);
      last = c;
      lastIndex = index;
      if (!errorDiffusion) continue;
      const ZvRGBQuad p = tmpPal[index];
      const int32_t er = c.red - p.red, eg = c.green - p.green, eb = c.blue - p.blue;
      if (er == 0 && eg == 0 && eb == 0) continue;
      if (direct) {
        // Same order and arithmetic as below, unrolled for 24-bit rows.
        auto add = [&](uint8_t* q, int32_t weight) {
          q[0] = clampChannel(q[0] + eb * weight / 16);
          q[1] = clampChannel(q[1] + eg * weight / 16);
          q[2] = clampChannel(q[2] + er * weight / 16);
        };
        if (x + 1 < w) add(src + 3 * size_t(x + 1), 7);
        if (upRow) {
          uint8_t* up = upRow + 3 * size_t(x);
          if (x > 0) add(up - 3, 2);
          add(up, 4);
          if (x + 1 < w) add(up + 3, 1);
        }
        continue;
      }
      for (const Spread& s : kSpread) {
        const int32_t nx = x + s.dx, ny = y + s.dy;
        if (nx < 0 || nx >= w || ny >= h) continue;
        ZvRGBQuad q = pixelColor(nx, ny, false);
        q.blue = clampChannel(q.blue + eb * s.weight / 16);
        q.green = clampChannel(q.green + eg * s.weight / 16);
        q.red = clampChannel(q.red + er * s.weight / 16);
        setPixelColor(nx, ny, q, false);
      }
    }
  }
  // The reduced picture remembers its last answer, as a colour stored one by one would.
  tmp->info.cacheColor = last;
  tmp->info.cacheIndex = lastIndex;
  tmp->info.cacheValid = true;
  transfer(*tmp, false);
  statusEnd();
  info.progress = 0;
  return true;
}

}  // namespace zelvo
