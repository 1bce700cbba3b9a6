// The drawing surface of the metafile player: a 24-bit picture on white with the few GDI
// primitives metafiles use most (pen lines, brush-filled polygons, bitmaps).
#pragma once

#include <cstdint>
#include <vector>

#include "core/Image.h"

namespace zelvo::meta {

struct Pt {
  double x, y;
};

struct Pen {
  bool visible = true;
  int width = 1;
  ZvRGBQuad color = {0, 0, 0, 0};
};

struct Brush {
  bool visible = true;
  ZvRGBQuad color = {255, 255, 255, 0};
};

class Canvas {
 public:
  explicit Canvas(Image& img) : img_(img) {}
  // Fills the polygon (even-odd or winding) with the brush, then strokes its outline.
  void polygon(const std::vector<std::vector<Pt>>& rings, const Brush& brush, const Pen& pen, bool winding);
  void polyline(const std::vector<Pt>& pts, const Pen& pen);
  // Draws `src` stretched into the rectangle (x, y, w, h); negative sizes mirror.
  void bitmap(const Image& src, double x, double y, double w, double h);

 private:
  void plot(int x, int y, ZvRGBQuad c);
  void line(Pt a, Pt b, const Pen& pen);
  Image& img_;
};

// Points of an ellipse inscribed in a rectangle, for filling and stroking.
std::vector<Pt> ellipse(double left, double top, double right, double bottom);

}  // namespace zelvo::meta
