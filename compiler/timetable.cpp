#include "compiler/timetable.h"

#include <string>

#include "compiler/least_time.h"

namespace scenario {

std::string clock_text(std::int64_t t) {
  const std::string sign = t < 0 ? "-" : "";
  t = t < 0 ? -t : t;
  auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return sign + std::to_string(t / 3600) + ":" + two(t / 60 % 60) + ":" + two(t % 60);
}

Timetable plan_timetable(const Modello& m, const RowScan& rows) {
  Timetable tt;
  std::vector<SlowdownSpan> slowdowns;
  std::vector<std::pair<int, std::size_t>> stations;  // entry, row
  int entry = 1;
  for (std::size_t i = 0; i < rows.rows.size(); ++i) {
    const ScannedRow& r = rows.rows[i];
    if (r.record->id == RecordId::stazione && entry < voce::primo_cartello) {
      stations.push_back({entry++, i});
    } else if (r.record->id == RecordId::rallentamento) {
      const std::int32_t x = rows.number(r, 0), v = rows.number(r, 1), l = rows.number(r, 2);
      // A slowdown of no length or no speed slows nothing a time can measure.
      if (l > 0 && v > 0) slowdowns.push_back({x, std::int64_t{x} + l, v});
    }
  }

  std::vector<int> passed;
  for (const auto& [e, row] : stations) {
    const voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(e)];
    if (v.dato4 == 0) {
      if (!tt.timed.empty()) passed.push_back(e);
      continue;
    }
    TimedStation s{e, row, v.dato3, v.dato4};
    if (!tt.timed.empty()) {
      const std::int64_t before = tt.timed.back().time;
      s.time = time_after(s.time, before);
      Stretch st{tt.timed.back(), s, std::int64_t{s.position} - tt.timed.back().position,
                 s.time - before, std::nullopt, std::move(passed)};
      passed = {};
      tt.stretches.push_back(std::move(st));
    }
    tt.timed.push_back(s);
  }
  if (tt.stretches.empty() || m.celle.size() < 2) return tt;

  const LeastTime least(m.celle, std::move(slowdowns));
  for (Stretch& s : tt.stretches) {
    if (s.distance_m <= 0) continue;
    s.least_s = least.whole_seconds(s.from.position, s.to.position);
  }
  return tt;
}

}  // namespace scenario
