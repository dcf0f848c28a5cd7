#include "compiler/timetable.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace scenario {
namespace {

// A later time smaller by more than half a day is a run past midnight.
constexpr std::int64_t half_a_day = seconds_a_day / 2;

struct Slowdown {
  std::int64_t from, to;  // metres
  std::int32_t speed;     // km/h
};

// Least running time from the line's start to each cell boundary, and the
// metres on the way where the limit is 0 (no time would do).
class LeastTime {
 public:
  LeastTime(const Modello& m, std::vector<Slowdown> slowdowns) {
    const std::size_t n = m.celle.size();
    time_.assign(n, 0.0);
    stopped_.assign(n, 0);
    std::vector<std::pair<std::int64_t, int>> events;  // position, slowdown (+1 start, -1 end)
    for (std::size_t i = 0; i < slowdowns.size(); ++i) {
      events.push_back({slowdowns[i].from, static_cast<int>(i) + 1});
      events.push_back({slowdowns[i].to, -static_cast<int>(i) - 1});
    }
    std::sort(events.begin(), events.end());
    std::multiset<std::int32_t> active;
    std::size_t e = 0;
    // Cell c stands for the 50 m that end at c x 50 m; cell 0 ends at 0.
    for (std::size_t c = 1; c < n; ++c) {
      const std::int64_t end = static_cast<std::int64_t>(c) * 50;
      std::int64_t at = end - 50;
      double t = time_[c - 1];
      std::int64_t stopped = stopped_[c - 1];
      const std::int32_t limit = m.celle[c].vel_limite * 5;
      for (;;) {
        while (e < events.size() && events[e].first <= at) take(events[e++], slowdowns, active);
        const std::int64_t next = e < events.size() ? std::min(end, events[e].first) : end;
        std::int32_t v = limit;
        if (!active.empty()) v = std::min(v, *active.begin());
        const std::int64_t metres = next - at;
        if (v <= 0) stopped += metres;
        else t += static_cast<double>(metres) * 3.6 / v;
        at = next;
        if (at >= end) break;
      }
      time_[c] = t;
      stopped_[c] = stopped;
    }
  }

  // From position a to b (a <= b), both taken into the cells.
  std::optional<double> between(std::int64_t a, std::int64_t b) const {
    const auto [ta, sa] = at(a);
    const auto [tb, sb] = at(b);
    if (sb - sa > 0) return std::nullopt;
    return tb - ta;
  }

 private:
  static void take(const std::pair<std::int64_t, int>& ev, const std::vector<Slowdown>& s,
                   std::multiset<std::int32_t>& active) {
    const Slowdown& d = s[static_cast<std::size_t>(std::abs(ev.second) - 1)];
    if (ev.second > 0) active.insert(d.speed);
    else active.erase(active.find(d.speed));
  }

  // At a position: whole cells from the boundary before it, the part of its
  // cell in proportion.
  std::pair<double, double> at(std::int64_t x) const {
    const std::int64_t last = static_cast<std::int64_t>(time_.size()) - 1;
    x = std::clamp<std::int64_t>(x, 0, last * 50);
    const std::int64_t c = x / 50, rest = x % 50;
    if (rest == 0 || c >= last) return {time_[static_cast<std::size_t>(c)], static_cast<double>(stopped_[static_cast<std::size_t>(c)])};
    const double f = static_cast<double>(rest) / 50.0;
    const auto k = static_cast<std::size_t>(c);
    return {time_[k] + f * (time_[k + 1] - time_[k]),
            static_cast<double>(stopped_[k]) + f * static_cast<double>(stopped_[k + 1] - stopped_[k])};
  }

  std::vector<double> time_;
  std::vector<std::int64_t> stopped_;
};

}  // namespace

std::string clock_text(std::int64_t t) {
  const std::string sign = t < 0 ? "-" : "";
  t = t < 0 ? -t : t;
  auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return sign + std::to_string(t / 3600) + ":" + two(t / 60 % 60) + ":" + two(t % 60);
}

Timetable plan_timetable(const Modello& m, const RowScan& rows) {
  Timetable tt;
  std::vector<Slowdown> slowdowns;
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
      while (s.time < before - half_a_day) s.time += seconds_a_day;
      Stretch st{tt.timed.back(), s, std::int64_t{s.position} - tt.timed.back().position,
                 s.time - before, std::nullopt, std::move(passed)};
      passed = {};
      tt.stretches.push_back(std::move(st));
    }
    tt.timed.push_back(s);
  }
  if (tt.stretches.empty() || m.celle.size() < 2) return tt;

  const LeastTime least(m, std::move(slowdowns));
  for (Stretch& s : tt.stretches) {
    if (s.distance_m <= 0) continue;
    if (const std::optional<double> t = least.between(s.from.position, s.to.position))
      // Whole seconds, rounded up: a time given below it is below the bound itself.
      s.least_s = static_cast<std::int64_t>(std::ceil(*t - 1e-9));
  }
  return tt;
}

}  // namespace scenario
