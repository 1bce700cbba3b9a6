// Windows metafiles (placeable or plain) and enhanced metafiles, played onto a white
// 24-bit picture at the size the file states. The common records are drawn: window
// origin and extent, pens, brushes, lines, polylines, polygons, rectangles, ellipses and
// stretched device-independent bitmaps. Text, clipping, regions and raster operations
// other than plain copying are skipped.
#include <algorithm>
#include <cmath>
#include <vector>

#include "Codecs.h"
#include "MetaCanvas.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

using meta::Brush;
using meta::Pen;
using meta::Pt;

constexpr uint64_t kMaxMetafile = 64ull << 20;
constexpr int64_t kMaxSide = 8192;  // a metafile states its size; anything larger is refused

// A bitmap record's DIB (header, colours, bits) decoded through the BMP codec.
ImagePtr decodeDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40 || dib.size() > kMaxMetafile) return nullptr;
  std::vector<uint8_t> file = {'B', 'M'};
  rio::putLe32(file, uint32_t(dib.size() + 14));
  rio::putLe32(file, 0);
  const uint32_t hdr = rio::le32(dib.data());
  const uint16_t bpp = rio::le16(dib.data() + 14);
  uint32_t colors = dib.size() >= 36 ? rio::le32(dib.data() + 32) : 0;
  if (colors == 0 && bpp <= 8) colors = 1u << bpp;
  const uint32_t masks = rio::le32(dib.data() + 16) == 3 && hdr == 40 ? 12 : 0;
  rio::putLe32(file, 14 + hdr + masks + colors * 4);
  file.insert(file.end(), dib.begin(), dib.end());
  ImagePtr img = Image::make(ZV_TYPE_BMP);
  StreamPtr mem = makeMemoryReader(file.data(), file.size());
  if (!img || !mem || !decodeBMP(*img, StreamRef(mem.get()), ZV_TYPE_BMP)) return nullptr;
  return img;
}

// Logical to picture coordinates: window origin/extent onto the picture.
struct Mapping {
  double orgX = 0, orgY = 0, extX = 1, extY = 1;
  double outW = 1, outH = 1;
  Pt operator()(double x, double y) const { return {(x - orgX) * outW / extX, (y - orgY) * outH / extY}; }
  double sx(double d) const { return d * outW / extX; }
  double sy(double d) const { return d * outH / extY; }
};

ZvRGBQuad colorRef(uint32_t v) { return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 0}; }

struct GdiObject {
  enum Kind { None, PenObj, BrushObj, Other } kind = None;
  Pen pen;
  Brush brush;
};

bool startCanvas(Image& img, int64_t w, int64_t h) {
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return fail(img, "Metafile size out of range");
  if (!rio::createChecked(img, w, h, 24, ZV_TYPE_WMF)) return false;
  std::memset(img.bits(), 255, size_t(img.stride()) * size_t(img.height()));
  return true;
}

// ---- Windows metafile ----
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

int16_t s16(const uint8_t* p) { return int16_t(rio::le16(p)); }

bool playWmf(Image& img, const std::vector<uint8_t>& d) {
  size_t at = 0;
  bool placeable = false;
  int64_t w = 0, h = 0;
  Mapping map;
  if (rio::le32(d.data()) == kPlaceableKey) {
    if (d.size() < 22 + 18) return false;
    const int16_t l = s16(&d[6]), t = s16(&d[8]), r = s16(&d[10]), b = s16(&d[12]);
    const uint16_t inch = rio::le16(&d[14]) ? rio::le16(&d[14]) : 1440;
    w = int64_t(std::llround(std::fabs(double(r - l)) * 96.0 / inch));
    h = int64_t(std::llround(std::fabs(double(b - t)) * 96.0 / inch));
    map.orgX = l;
    map.orgY = t;
    map.extX = r - l;
    map.extY = b - t;
    placeable = true;
    at = 22;
  }
  // Standard header: type 1 or 2, 9 words long, version 0x100 or 0x300.
  if (d.size() < at + 18) return false;
  const uint16_t type = rio::le16(&d[at]), words = rio::le16(&d[at + 2]), version = rio::le16(&d[at + 4]);
  if ((type != 1 && type != 2) || words != 9 || (version != 0x100 && version != 0x300)) return false;
  const uint16_t objectCount = rio::le16(&d[at + 10]);
  at += 18;

  // A plain metafile states its size only through its window extent: find it first.
  if (!placeable) {
    bool found = false;
    for (size_t p = at; p + 6 <= d.size();) {
      const uint64_t size = uint64_t(rio::le32(&d[p])) * 2;
      if (size < 6 || p + size > d.size()) break;
      const uint16_t fn = rio::le16(&d[p + 4]);
      if (fn == 0x020C && size >= 10) {
        w = std::abs(s16(&d[p + 8]));
        h = std::abs(s16(&d[p + 6]));
        found = true;
        break;
      }
      if (fn == 0) break;
      p += size_t(size);
    }
    if (!found) return fail(img, "Metafile states no size");
    map.extX = w;
    map.extY = h;
  }
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, 24, ZV_TYPE_WMF);
  if (!startCanvas(img, w, h)) return false;
  map.outW = double(w);
  map.outH = double(h);
  if (map.extX == 0) map.extX = 1;
  if (map.extY == 0) map.extY = 1;

  meta::Canvas canvas(img);
  std::vector<GdiObject> objects(objectCount);
  Pen pen;
  Brush brush;
  bool winding = false;
  Pt cursor{0, 0};
  while (at + 6 <= d.size()) {
    const uint64_t size = uint64_t(rio::le32(&d[at])) * 2;
    const uint16_t fn = rio::le16(&d[at + 4]);
    if (fn == 0) break;  // end of file record
    if (size < 6 || at + size > d.size()) return fail(img, "Bad metafile record length");
    const uint8_t* p = &d[at + 6];
    const size_t n = size_t(size) - 6;
    auto arg = [&](size_t i) { return i * 2 + 2 <= n ? s16(p + i * 2) : int16_t(0); };
    auto points = [&](size_t first, size_t count) {
      std::vector<Pt> pts;
      for (size_t i = 0; i < count && (first + i * 2 + 2) * 2 <= n; ++i)
        pts.push_back(map(arg(first + i * 2), arg(first + i * 2 + 1)));
      return pts;
    };
    auto newObject = [&](GdiObject o) {
      for (auto& slot : objects)
        if (slot.kind == GdiObject::None) {
          slot = o;
          return;
        }
    };
    switch (fn) {
      case 0x020B: map.orgY = arg(0); map.orgX = arg(1); break;  // SetWindowOrg
      case 0x020C:                                               // SetWindowExt
        map.extY = arg(0) ? arg(0) : 1;
        map.extX = arg(1) ? arg(1) : 1;
        break;
      case 0x0106: winding = arg(0) == 2; break;  // SetPolyFillMode
      case 0x02FA: {                              // CreatePenIndirect
        GdiObject o;
        o.kind = GdiObject::PenObj;
        o.pen.visible = (arg(0) & 0x0F) != 5;
        o.pen.width = std::max(1, int(std::lround(std::fabs(map.sx(arg(1))))));
        o.pen.color = colorRef(n >= 10 ? rio::le32(p + 6) : 0);
        newObject(o);
        break;
      }
      case 0x02FC: {  // CreateBrushIndirect
        GdiObject o;
        o.kind = GdiObject::BrushObj;
        o.brush.visible = arg(0) != 1;
        o.brush.color = colorRef(n >= 6 ? rio::le32(p + 2) : 0);
        newObject(o);
        break;
      }
      case 0x02FB: case 0x00F7: case 0x06FF: case 0x0142: case 0x01F9:  // fonts, palettes, regions, pattern brushes
        newObject({GdiObject::Other, {}, {}});
        break;
      case 0x012D: {  // SelectObject
        const size_t i = uint16_t(arg(0));
        if (i < objects.size()) {
          if (objects[i].kind == GdiObject::PenObj) pen = objects[i].pen;
          if (objects[i].kind == GdiObject::BrushObj) brush = objects[i].brush;
        }
        break;
      }
      case 0x01F0: {  // DeleteObject
        const size_t i = uint16_t(arg(0));
        if (i < objects.size()) objects[i] = {};
        break;
      }
      case 0x0214: cursor = map(arg(1), arg(0)); break;  // MoveTo
      case 0x0213: {                                     // LineTo
        const Pt to = map(arg(1), arg(0));
        canvas.polyline({cursor, to}, pen);
        cursor = to;
        break;
      }
      case 0x041B: case 0x061C: case 0x0418: {  // Rectangle, RoundRect, Ellipse
        const size_t o = fn == 0x061C ? 2 : 0;
        const Pt a = map(arg(o + 3), arg(o + 2)), b = map(arg(o + 1), arg(o));
        std::vector<Pt> ring = fn == 0x0418 ? meta::ellipse(a.x, a.y, b.x, b.y)
                                            : std::vector<Pt>{{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
        canvas.polygon({ring}, brush, pen, winding);
        break;
      }
      case 0x0324: canvas.polygon({points(1, uint16_t(arg(0)))}, brush, pen, winding); break;  // Polygon
      case 0x0325: canvas.polyline(points(1, uint16_t(arg(0))), pen); break;                 // Polyline
      case 0x0538: {                                                                         // PolyPolygon
        const size_t polys = uint16_t(arg(0));
        std::vector<std::vector<Pt>> rings;
        size_t next = 1 + polys;
        for (size_t i = 0; i < polys && (1 + i) * 2 + 2 <= n; ++i) {
          const size_t count = uint16_t(arg(1 + i));
          rings.push_back(points(next, count));
          next += count * 2;
        }
        canvas.polygon(rings, brush, pen, winding);
        break;
      }
      case 0x0F43: case 0x0B41: {  // StretchDIB, DibStretchBlt
        // StretchDIB has a colour-usage word after the raster operation.
        const size_t o = fn == 0x0F43 ? 3 : 2;
        const size_t dibAt = (o + 8) * 2;
        if (n <= dibAt) break;
        ImagePtr bmp = decodeDib(std::span<const uint8_t>(p + dibAt, n - dibAt));
        if (!bmp) break;
        const Pt at0 = map(arg(o + 7), arg(o + 6));
        canvas.bitmap(*bmp, at0.x, at0.y, map.sx(arg(o + 5)), map.sy(arg(o + 4)));
        break;
      }
      default: break;
    }
    at += size_t(size);
  }
  return true;
}

// ---- Enhanced metafile ----
int32_t s32(const uint8_t* p) { return int32_t(rio::le32(p)); }

bool playEmf(Image& img, const std::vector<uint8_t>& d) {
  if (d.size() < 88 || rio::le32(&d[0]) != 1 || rio::le32(&d[40]) != 0x464D4520) return false;
  const uint32_t headerSize = rio::le32(&d[4]);
  if (headerSize < 88 || headerSize > d.size()) return false;
  // Frame in 0.01 mm, reference device in pixels and millimetres.
  const double fl = s32(&d[24]), ft = s32(&d[28]), fr = s32(&d[32]), fb = s32(&d[36]);
  const double devW = s32(&d[72]), devH = s32(&d[76]), mmW = s32(&d[80]), mmH = s32(&d[84]);
  if (devW <= 0 || devH <= 0 || mmW <= 0 || mmH <= 0) return fail(img, "Metafile size out of range");
  const double pxPerUnitX = devW / (mmW * 100), pxPerUnitY = devH / (mmH * 100);
  const double left = fl * pxPerUnitX, top = ft * pxPerUnitY;
  const int64_t w = std::llround((fr - fl) * pxPerUnitX), h = std::llround((fb - ft) * pxPerUnitY);
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, 24, ZV_TYPE_WMF);
  if (!startCanvas(img, w, h)) return false;

  // Logical to device through window and viewport (identity until both are set), then
  // device to picture by the frame's offset.
  double wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
  auto dev = [&](double x, double y) -> Pt {
    return {(x - wox) * vex / wex + vox - left, (y - woy) * vey / wey + voy - top};
  };
  auto scaleX = [&](double v) { return v * vex / wex; };
  meta::Canvas canvas(img);
  std::vector<GdiObject> objects;
  Pen pen;
  Brush brush;
  bool winding = false;
  Pt cursor{0, 0};
  auto slot = [&](uint32_t i) -> GdiObject* {
    if (i >= 4096) return nullptr;
    if (i >= objects.size()) objects.resize(i + 1);
    return &objects[i];
  };
  size_t at = headerSize;
  while (at + 8 <= d.size()) {
    const uint32_t type = rio::le32(&d[at]), size = rio::le32(&d[at + 4]);
    if (size < 8 || size % 4 || at + size > d.size()) return fail(img, "Bad metafile record length");
    if (type == 14) break;  // EMR_EOF
    const uint8_t* p = &d[at + 8];
    const size_t n = size - 8;
    auto i32 = [&](size_t i) { return (i + 1) * 4 <= n ? s32(p + i * 4) : 0; };
    auto u32 = [&](size_t i) { return uint32_t(i32(i)); };
    auto points = [&](size_t first, size_t count, bool small) {
      std::vector<Pt> pts;
      for (size_t k = 0; k < count; ++k) {
        if (small) {
          const size_t off = first * 4 + k * 4;
          if (off + 4 > n) break;
          pts.push_back(dev(int16_t(rio::le16(p + off)), int16_t(rio::le16(p + off + 2))));
        } else {
          if ((first + k * 2 + 2) * 4 > n) break;
          pts.push_back(dev(i32(first + k * 2), i32(first + k * 2 + 1)));
        }
      }
      return pts;
    };
    switch (type) {
      case 9: wex = i32(0) ? i32(0) : 1; wey = i32(1) ? i32(1) : 1; break;  // SETWINDOWEXTEX
      case 10: wox = i32(0); woy = i32(1); break;                           // SETWINDOWORGEX
      case 11: vex = i32(0) ? i32(0) : 1; vey = i32(1) ? i32(1) : 1; break;  // SETVIEWPORTEXTEX
      case 12: vox = i32(0); voy = i32(1); break;                           // SETVIEWPORTORGEX
      case 19: winding = i32(0) == 2; break;                                // SETPOLYFILLMODE
      case 38: {                                                            // CREATEPEN
        if (GdiObject* o = slot(u32(0))) {
          o->kind = GdiObject::PenObj;
          o->pen.visible = (u32(1) & 0x0F) != 5;
          o->pen.width = std::max(1, int(std::lround(std::fabs(scaleX(i32(2))))));
          o->pen.color = colorRef(u32(4));
        }
        break;
      }
      case 39: {  // CREATEBRUSHINDIRECT
        if (GdiObject* o = slot(u32(0))) {
          o->kind = GdiObject::BrushObj;
          o->brush.visible = u32(1) != 1;
          o->brush.color = colorRef(u32(2));
        }
        break;
      }
      case 37: {  // SELECTOBJECT, stock objects have the high bit
        const uint32_t i = u32(0);
        if (i & 0x80000000u) {
          const uint32_t stock = i & 0x7FFFFFFF;
          static const uint8_t greys[5] = {255, 192, 128, 64, 0};
          if (stock <= 4) brush = {true, {greys[stock], greys[stock], greys[stock], 0}};
          else if (stock == 5) brush.visible = false;
          else if (stock == 6 || stock == 7) pen = {true, 1, stock == 6 ? ZvRGBQuad{255, 255, 255, 0} : ZvRGBQuad{0, 0, 0, 0}};
          else if (stock == 8) pen.visible = false;
        } else if (i < objects.size()) {
          if (objects[i].kind == GdiObject::PenObj) pen = objects[i].pen;
          if (objects[i].kind == GdiObject::BrushObj) brush = objects[i].brush;
        }
        break;
      }
      case 40:  // DELETEOBJECT
        if (u32(0) < objects.size()) objects[u32(0)] = {};
        break;
      case 27: cursor = dev(i32(0), i32(1)); break;  // MOVETOEX
      case 54: {                                     // LINETO
        const Pt to = dev(i32(0), i32(1));
        canvas.polyline({cursor, to}, pen);
        cursor = to;
        break;
      }
      case 43: case 42: {  // RECTANGLE, ELLIPSE
        const Pt a = dev(i32(0), i32(1)), b = dev(i32(2), i32(3));
        std::vector<Pt> ring = type == 42 ? meta::ellipse(a.x, a.y, b.x, b.y)
                                          : std::vector<Pt>{{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
        canvas.polygon({ring}, brush, pen, winding);
        break;
      }
      case 3: case 86: canvas.polygon({points(5, u32(4), type == 86)}, brush, pen, winding); break;  // POLYGON(16)
      case 4: case 87: canvas.polyline(points(5, u32(4), type == 87), pen); break;                 // POLYLINE(16)
      case 91: case 8: {  // POLYPOLYGON16, POLYPOLYGON
        const uint32_t polys = u32(4);
        std::vector<std::vector<Pt>> rings;
        size_t next = 6 + polys;  // in 4-byte units
        for (uint32_t i = 0; i < polys && (6 + i + 1) * 4 <= n; ++i) {
          const uint32_t count = u32(6 + i);
          if (count > n) break;
          rings.push_back(points(next, count, type == 91));
          next += type == 91 ? count : count * 2;
        }
        canvas.polygon(rings, brush, pen, winding);
        break;
      }
      case 81: {  // STRETCHDIBITS
        const uint32_t offBmi = u32(10), cbBmi = u32(11), offBits = u32(12), cbBits = u32(13);
        const uint64_t recSize = size;
        if (cbBmi < 40 || uint64_t(offBmi) + cbBmi > recSize || uint64_t(offBits) + cbBits > recSize) break;
        std::vector<uint8_t> dib(d.begin() + long(at + offBmi), d.begin() + long(at + offBmi + cbBmi));
        dib.insert(dib.end(), d.begin() + long(at + offBits), d.begin() + long(at + offBits + cbBits));
        ImagePtr bmp = decodeDib(dib);
        if (!bmp) break;
        const Pt o = dev(i32(4), i32(5));
        canvas.bitmap(*bmp, o.x, o.y, scaleX(i32(16)), i32(17) * vey / wey);
        break;
      }
      default: break;
    }
    at += size;
  }
  return true;
}

}  // namespace

bool decodeWMF(Image& img, StreamRef in, uint32_t) {
  uint8_t head[44] = {};
  auto isEnhanced = [](std::span<const uint8_t> h) {
    return h.size() >= 44 && rio::le32(h.data()) == 1 && rio::le32(h.data() + 40) == 0x464D4520;
  };
  auto looksMetafile = [&](std::span<const uint8_t> h) {
    const bool placeable = h.size() >= 4 && rio::le32(h.data()) == kPlaceableKey;
    const bool plain = h.size() >= 6 && (rio::le16(h.data()) == 1 || rio::le16(h.data()) == 2) &&
                       rio::le16(h.data() + 2) == 9;
    return placeable || plain || isEnhanced(h);
  };
  std::vector<uint8_t> data;
  if (!rio::readWholeIf(img, in, head, looksMetafile, kMaxMetafile, data, "Not a metafile")) return false;
  const bool enhanced = isEnhanced(data);
  const bool ok = enhanced ? playEmf(img, data) : playWmf(img, data);
  if (!ok && img.lastError()[0] == 0) img.setLastError("Not a metafile");
  if (ok) img.setType(ZV_TYPE_WMF);
  return ok;
}

}  // namespace zelvo
