// The least running time over the line: the train's own speed limits (the
// compiled speed profile, cell by cell) and the speed of every slowdown over
// a stretch, with no acceleration and no stop. A lower bound that assumes
// nothing about the train: a timetable that gives less cannot be kept. The
// timetable check and the picture's timetable strip both measure with it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "model/model.h"

namespace scenario {

inline constexpr std::int32_t seconds_a_day = 24 * 3600;

// A station time after the one before it, read across midnight: a time more
// than half a day earlier than `before` is on the next day (or days).
std::int64_t time_after(std::int64_t time, std::int64_t before);

struct SlowdownSpan {
  std::int64_t from, to;  // metres
  std::int32_t speed;     // km/h, above 0
};

class LeastTime {
 public:
  // In time linear in the cells and the slowdowns.
  LeastTime(const std::vector<cella>& celle, std::vector<SlowdownSpan> slowdowns);

  // Seconds from position a to b (a <= b), both taken into the cells; none
  // when the speed limit is 0 somewhere between them (no time would do).
  std::optional<double> between(std::int64_t a, std::int64_t b) const;
  // The same in whole seconds, rounded up: a time given below it is below
  // the bound itself.
  std::optional<std::int64_t> whole_seconds(std::int64_t a, std::int64_t b) const;

 private:
  std::pair<double, double> at(std::int64_t x) const;

  std::vector<double> time_;           // from the line's start to each cell's end
  std::vector<std::int64_t> stopped_;  // metres at a limit of 0, likewise
};

}  // namespace scenario
