#include "compiler/least_time.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

namespace scenario {
namespace {

constexpr std::int64_t half_a_day = seconds_a_day / 2;

void take(const std::pair<std::int64_t, int>& event, const std::vector<SlowdownSpan>& slowdowns,
          std::multiset<std::int32_t>& active) {
  const SlowdownSpan& d = slowdowns[static_cast<std::size_t>(std::abs(event.second) - 1)];
  if (event.second > 0) active.insert(d.speed);
  else active.erase(active.find(d.speed));
}

}  // namespace

std::int64_t time_after(std::int64_t time, std::int64_t before) {
  const std::int64_t behind = before - half_a_day - time;
  if (behind > 0) time += (behind + seconds_a_day - 1) / seconds_a_day * seconds_a_day;
  return time;
}

LeastTime::LeastTime(const std::vector<cella>& celle, std::vector<SlowdownSpan> slowdowns) {
  const std::size_t n = celle.size();
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
    const std::int32_t limit = celle[c].vel_limite * 5;
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

std::optional<double> LeastTime::between(std::int64_t a, std::int64_t b) const {
  const auto [ta, sa] = at(a);
  const auto [tb, sb] = at(b);
  if (sb - sa > 0) return std::nullopt;
  return tb - ta;
}

std::optional<std::int64_t> LeastTime::whole_seconds(std::int64_t a, std::int64_t b) const {
  const std::optional<double> t = between(a, b);
  if (!t) return std::nullopt;
  return static_cast<std::int64_t>(std::ceil(*t - 1e-9));
}

// At a position: whole cells from the boundary before it, the part of its
// cell in proportion.
std::pair<double, double> LeastTime::at(std::int64_t x) const {
  if (time_.empty()) return {0.0, 0.0};
  const std::int64_t last = static_cast<std::int64_t>(time_.size()) - 1;
  x = std::clamp<std::int64_t>(x, 0, last * 50);
  const std::int64_t c = x / 50, rest = x % 50;
  const auto k = static_cast<std::size_t>(c);
  if (rest == 0 || c >= last) return {time_[k], static_cast<double>(stopped_[k])};
  const double f = static_cast<double>(rest) / 50.0;
  return {time_[k] + f * (time_[k + 1] - time_[k]),
          static_cast<double>(stopped_[k]) + f * static_cast<double>(stopped_[k + 1] - stopped_[k])};
}

}  // namespace scenario
