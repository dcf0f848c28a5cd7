#include "render/thin.h"

#include <cmath>
#include <utility>

namespace render::svg {

void ThinnedTrack::add(Point p) {
  if (current_.empty()) {
    current_.push_back(p);
    pending_ = false;
    return;
  }
  const Point& k = current_.back();
  const double dx = p.x - k.x, dy = p.y - k.y;
  if (dx * dx + dy * dy >= step2_) {
    current_.push_back(p);
    pending_ = false;
  } else {
    last_ = p;
    pending_ = true;
  }
}

void ThinnedTrack::break_stretch() {
  if (pending_) current_.push_back(last_);
  pending_ = false;
  if (current_.size() >= 2) stretches_.push_back(std::move(current_));
  current_.clear();
}

std::vector<std::vector<Point>> ThinnedTrack::finish() {
  break_stretch();
  return std::move(stretches_);
}

void ThinnedSeries::add(Point p) {
  const double column = std::floor(p.x);
  if (column_open_ && column == column_) {
    if (p.y < lowest_.y) {
      lowest_ = p;
      lowest_first_ = false;
    }
    if (p.y > highest_.y) {
      highest_ = p;
      lowest_first_ = true;
    }
    last_ = p;
    return;
  }
  flush_column();
  column_open_ = true;
  column_ = column;
  first_ = lowest_ = highest_ = last_ = p;
  lowest_first_ = true;
}

void ThinnedSeries::flush_column() {
  if (!column_open_) return;
  emit(first_);
  // The extreme met last is emitted last, so the path goes where the data went.
  if (lowest_first_) {
    emit(lowest_);
    emit(highest_);
  } else {
    emit(highest_);
    emit(lowest_);
  }
  emit(last_);
  column_open_ = false;
}

void ThinnedSeries::emit(Point p) {
  const std::size_t n = out_.size();
  if (n > 0 && out_[n - 1].x == p.x && out_[n - 1].y == p.y) return;
  // Three in a row on one level, or going one way on one vertical: the
  // middle one says nothing.
  if (n >= 2) {
    const Point& a = out_[n - 2];
    const Point& b = out_[n - 1];
    const bool level = a.y == b.y && b.y == p.y;
    const bool vertical = a.x == b.x && b.x == p.x && (b.y - a.y) * (p.y - b.y) >= 0;
    if (level || vertical) {
      out_[n - 1] = p;
      return;
    }
  }
  out_.push_back(p);
}

std::vector<Point> ThinnedSeries::finish() {
  flush_column();
  return std::move(out_);
}

}  // namespace render::svg
