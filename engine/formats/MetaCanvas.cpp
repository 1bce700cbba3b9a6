// Scan-line polygon filling and thick lines on a 24-bit picture, clipped to it.
#include "MetaCanvas.h"

#include <algorithm>
#include <cmath>

#include "RasterIO.h"

namespace zelvo::meta {

void Canvas::plot(int x, int y, ZvRGBQuad c) {
  if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return;
  uint8_t* p = rio::topRow(img_, y) + size_t(x) * 3;
  p[0] = c.blue;
  p[1] = c.green;
  p[2] = c.red;
}

void Canvas::polygon(const std::vector<std::vector<Pt>>& rings, const Brush& brush, const Pen& pen, bool winding) {
  if (brush.visible) {
    double top = 1e18, bottom = -1e18;
    for (const auto& r : rings)
      for (const Pt& p : r) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
      }
    const int y0 = std::max(0, int(std::floor(top))), y1 = std::min(img_.height() - 1, int(std::ceil(bottom)));
    struct Cross {
      double x;
      int dir;
    };
    std::vector<Cross> xs;
    for (int y = y0; y <= y1; ++y) {
      const double sy = y + 0.5;
      xs.clear();
      for (const auto& r : rings)
        for (size_t i = 0; i < r.size(); ++i) {
          const Pt a = r[i], b = r[(i + 1) % r.size()];
          if ((a.y <= sy) == (b.y <= sy)) continue;
          xs.push_back({a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y), b.y > a.y ? 1 : -1});
        }
      std::sort(xs.begin(), xs.end(), [](const Cross& a, const Cross& b) { return a.x < b.x; });
      int inside = 0;
      for (size_t i = 0; i + 1 < xs.size(); ++i) {
        inside = winding ? inside + xs[i].dir : inside ^ 1;
        if (inside == 0) continue;
        const int from = std::max(0, int(std::ceil(xs[i].x - 0.5)));
        const int to = std::min(img_.width() - 1, int(std::ceil(xs[i + 1].x - 0.5)) - 1);
        for (int x = from; x <= to; ++x) plot(x, y, brush.color);
      }
    }
  }
  if (pen.visible)
    for (const auto& r : rings) {
      std::vector<Pt> closed = r;
      if (!r.empty()) closed.push_back(r.front());
      polyline(closed, pen);
    }
}

void Canvas::polyline(const std::vector<Pt>& pts, const Pen& pen) {
  if (!pen.visible) return;
  for (size_t i = 0; i + 1 < pts.size(); ++i) line(pts[i], pts[i + 1], pen);
}

void Canvas::line(Pt a, Pt b, const Pen& pen) {
  // Far-away points are clamped so that a hostile coordinate cannot make a long loop.
  const double lim = 4.0 * std::max(img_.width(), img_.height());
  auto clampPt = [&](Pt p) { return Pt{std::clamp(p.x, -lim, lim), std::clamp(p.y, -lim, lim)}; };
  a = clampPt(a);
  b = clampPt(b);
  const int steps = std::max(1, int(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)))));
  const int w = std::clamp(pen.width, 1, 64), lo = -(w - 1) / 2, hi = w / 2;
  for (int s = 0; s <= steps; ++s) {
    const int x = int(std::floor(a.x + (b.x - a.x) * s / steps)), y = int(std::floor(a.y + (b.y - a.y) * s / steps));
    for (int dy = lo; dy <= hi; ++dy)
      for (int dx = lo; dx <= hi; ++dx) plot(x + dx, y + dy, pen.color);
  }
}

void Canvas::bitmap(const Image& src, double x, double y, double w, double h) {
  if (!src.valid() || w == 0 || h == 0) return;
  const double x0 = std::min(x, x + w), x1 = std::max(x, x + w), y0 = std::min(y, y + h), y1 = std::max(y, y + h);
  const int px0 = std::max(0, int(std::floor(x0))), px1 = std::min(img_.width(), int(std::ceil(x1)));
  const int py0 = std::max(0, int(std::floor(y0))), py1 = std::min(img_.height(), int(std::ceil(y1)));
  for (int py = py0; py < py1; ++py)
    for (int px = px0; px < px1; ++px) {
      const double u = (px + 0.5 - x) / w, v = (py + 0.5 - y) / h;
      if (u < 0 || v < 0 || u >= 1 || v >= 1) continue;
      const int sx = std::min(src.width() - 1, int(u * src.width()));
      const int sy = std::min(src.height() - 1, int(v * src.height()));
      plot(px, py, rio::colorAt(src, sx, sy));
    }
}

std::vector<Pt> ellipse(double left, double top, double right, double bottom) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2, rx = std::fabs(right - left) / 2,
               ry = std::fabs(bottom - top) / 2;
  std::vector<Pt> pts;
  constexpr int kSteps = 72;
  for (int i = 0; i < kSteps; ++i) {
    const double t = 2 * M_PI * i / kSteps;
    pts.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
  }
  return pts;
}

}  // namespace zelvo::meta
