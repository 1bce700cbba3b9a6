// DecreaseBpp: reduction of a picture to 1, 4 or 8 bits, optionally with error diffusion.
#include "ColorReduction.h"

#include <algorithm>
#include <climits>

#include "Image.h"

namespace zelvo {

NearestColor::NearestColor(std::span<const ZvRGBQuad> entries)
    : cacheKey_(size_t(1) << kCacheBits, 0), cacheIndex_(size_t(1) << kCacheBits, 0) {
  sorted_.reserve(entries.size());
  for (size_t i = 0; i < entries.size() && i < 256; ++i)
    sorted_.push_back({entries[i].green, entries[i].red, entries[i].blue, uint8_t(i)});
  std::stable_sort(sorted_.begin(), sorted_.end(),
                   [](const Entry& a, const Entry& b) { return a.green < b.green; });
}

uint8_t NearestColor::find(uint8_t red, uint8_t green, uint8_t blue) {
  const uint32_t colour = uint32_t(red) << 16 | uint32_t(green) << 8 | blue;
  const uint32_t slot = (colour * 2654435761u) >> (32 - kCacheBits);
  const uint32_t key = colour | 1u << 24;
  if (cacheKey_[slot] == key) return cacheIndex_[slot];
  const uint8_t index = search(red, green, blue);
  cacheKey_[slot] = key;
  cacheIndex_[slot] = index;
  return index;
}

uint8_t NearestColor::search(int32_t red, int32_t green, int32_t blue) const {
  int32_t best = INT_MAX;
  uint8_t bestIndex = 0;
  auto consider = [&](const Entry& e) {
    const int32_t dg = e.green - green;
    // Entries further along have an even larger green gap: none of them can tie or win.
    if (dg * dg > best) return false;
    const int32_t dr = e.red - red, db = e.blue - blue;
    const int32_t d = db * db + dg * dg + dr * dr;
    if (d < best || (d == best && e.index < bestIndex)) {
      best = d;
      bestIndex = e.index;
    }
    return true;
  };
  const auto start = std::lower_bound(sorted_.begin(), sorted_.end(), green,
                                      [](const Entry& e, int32_t g) { return e.green < g; });
  auto up = start;
  auto down = start;
  bool goUp = up != sorted_.end(), goDown = down != sorted_.begin();
  while (goUp || goDown) {
    if (goUp) {
      goUp = consider(*up) && ++up != sorted_.end();
    }
    if (goDown) {
      --down;
      goDown = consider(*down) && down != sorted_.begin();
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

  NearestColor nearest({tmpPal, limit ? limit : slots});
  statusBegin(u"调整色彩数");
  const int32_t w = width(), h = height();
  const bool direct = depth() == 24;  // 24-bit sources are read and diffused in place
  ZvRGBQuad last = {0, 0, 0, 0};
  uint8_t lastIndex = 0;
  for (int32_t y = 0; y < h; ++y) {
    const int32_t percent = int32_t(int64_t(y) * 100 / h);
    statusProgress(percent);
    info.progress = percent;
    uint8_t* src = direct ? row(y) : nullptr;
    uint8_t* dst = tmp->row(y);
    for (int32_t x = 0; x < w; ++x) {
      const ZvRGBQuad c =
          direct ? ZvRGBQuad{src[3 * x], src[3 * x + 1], src[3 * x + 2], 0} : pixelColor(x, y, false);
      const uint8_t index = nearest.find(c.red, c.green, c.blue);
      if (tmp->depth() == 8)
        dst[x] = index;
      else
        tmp->setPixelIndex(x, y, index);
      last = c;
      lastIndex = index;
      if (!errorDiffusion) continue;
      const ZvRGBQuad p = tmpPal[index];
      const int32_t er = c.red - p.red, eg = c.green - p.green, eb = c.blue - p.blue;
      if (er == 0 && eg == 0 && eb == 0) continue;
      for (const Spread& s : kSpread) {
        const int32_t nx = x + s.dx, ny = y + s.dy;
        if (nx < 0 || nx >= w || ny >= h) continue;
        if (direct) {
          uint8_t* q = row(ny) + 3 * size_t(nx);
          q[0] = clampChannel(q[0] + eb * s.weight / 16);
          q[1] = clampChannel(q[1] + eg * s.weight / 16);
          q[2] = clampChannel(q[2] + er * s.weight / 16);
        } else {
          ZvRGBQuad q = pixelColor(nx, ny, false);
          q.blue = clampChannel(q.blue + eb * s.weight / 16);
          q.green = clampChannel(q.green + eg * s.weight / 16);
          q.red = clampChannel(q.red + er * s.weight / 16);
          setPixelColor(nx, ny, q, false);
        }
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
