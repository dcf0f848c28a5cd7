// Thinning to the picture's resolution: a line of a million metres becomes
// a few thousand points that look the same on screen. Both thinners take
// points already in pixels, in order along the line, and keep memory to
// what they emit.
#pragma once

#include <vector>

#include "render/svg.h"

namespace render::svg {

// The plan: a point is kept when it lies at least `step` pixels from the
// last kept one; the last point of each stretch is always kept. A gap (an
// empty or unusable point) ends a stretch and starts another.
class ThinnedTrack {
 public:
  explicit ThinnedTrack(double step) : step2_(step * step) {}
  void add(Point p);
  void break_stretch();
  // The stretches, each of at least two points.
  std::vector<std::vector<Point>> finish();

 private:
  double step2_;
  std::vector<std::vector<Point>> stretches_;
  std::vector<Point> current_;
  Point last_{};
  bool pending_ = false;  // last_ is a point not kept yet
};

// A profile along the kilometre axis: points with growing x, reduced to at
// most four per pixel column (first, lowest, highest, last, in the order
// met), and the inner points of level or vertical runs dropped. Steps and
// spikes narrower than a pixel stay visible.
class ThinnedSeries {
 public:
  void add(Point p);
  std::vector<Point> finish();

 private:
  void flush_column();
  void emit(Point p);

  std::vector<Point> out_;
  bool column_open_ = false;
  double column_ = 0;
  Point first_{}, lowest_{}, highest_{}, last_{};
  bool lowest_first_ = true;  // the lowest point came before the highest
};

}  // namespace render::svg
