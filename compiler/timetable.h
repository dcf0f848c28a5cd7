// The train's timetable as its author plans it: one stretch per pair of
// consecutive stations that have a time, with the time the timetable gives
// and the least time any train needs for it. The least time is the stretch
// run at the train's own speed limits (the compiled speed profile) and under
// its slowdowns, with no acceleration and no stop: a lower bound that
// assumes nothing about the train, so a timetable that gives less cannot be
// kept by any train.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "compiler/least_time.h"
#include "compiler/row_scan.h"
#include "model/model.h"

namespace scenario {

// A station with a time (dato4 not 0: 0, 0, 0 is a station without one).
struct TimedStation {
  int entry = 0;               // its route entry
  std::size_t row = 0;         // its row in the RowScan
  std::int32_t position = 0;   // dato3
  std::int64_t time = 0;       // seconds, a day added past each midnight
};

struct Stretch {
  TimedStation from, to;
  std::int64_t distance_m = 0;
  std::int64_t given_s = 0;              // may be 0 or below: times that do not grow
  std::optional<std::int64_t> least_s;   // none: the speed limit is 0 somewhere on it
  std::vector<int> passed;               // entries of the untimed stations on the way
};

struct Timetable {
  std::vector<TimedStation> timed;
  std::vector<Stretch> stretches;
};

// From a model read without an error and the rows it was read from.
Timetable plan_timetable(const Modello& m, const RowScan& rows);

// A time of day from seconds: "14:05:00", past 24 hours as written.
std::string clock_text(std::int64_t seconds);

}  // namespace scenario
