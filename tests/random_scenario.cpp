#include "random_scenario.h"

#include <algorithm>
#include <set>
#include <vector>

namespace testing_support {
namespace {

// splitmix64: the same numbers everywhere, unlike the standard
// distributions.
class Dice {
 public:
  explicit Dice(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // lo..hi inclusive
  std::int64_t in(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool one_in(int n) { return in(1, n) == 1; }

 private:
  std::uint64_t s_;
};

std::string n(std::int64_t v) { return std::to_string(v); }

std::string name(Dice& d) {
  static const char* const parts[] = {"VAL", "MONTE", "SAN", "BIVIO", "PONTE", "CASTEL", "D'ORO",
                                      "NUOVO", "C.LE", "ALTO", "\xC0RIA", "BASSO"};
  std::string s = parts[d.in(0, 11)];
  for (std::int64_t i = d.in(0, 2); i > 0; --i) s += std::string(" ") + parts[d.in(0, 11)];
  return s;
}

}  // namespace

RandomScenario random_scenario(std::uint64_t seed) {
  Dice d(seed);
  const std::int64_t length = 20000 + 50 * d.in(0, 3000);
  const std::int64_t last_cell = (length + 7000 + 25) / 50;  // never a half: length is a multiple of 50
  const std::int64_t route_end = length - 500;  // rows stay before the end of the line
  std::set<std::int64_t> taken{0, 1};         // cells taken by a feature (cell 1 holds the stamps)
  auto all_free = [&](std::initializer_list<std::int64_t> cells) {
    for (std::int64_t c : cells)
      if (c < 2 || c > last_cell - 2 || taken.count(c)) return false;
    return true;
  };
  auto take = [&](std::initializer_list<std::int64_t> cells) {
    for (std::int64_t c : cells) taken.insert(c);
  };

  std::string l = "[generale]\r\nlunghezza percorso, " + n(length) + "\r\n";
  const char* const progressive_names[] = {"uno", "due", "tre"};
  const std::int64_t progressive = d.in(0, 3);
  for (std::int64_t i = 0; i < 3; ++i) {
    std::int64_t pos = 0, prog = 0, flag = 0;
    if (i < progressive) {
      pos = progressive == 1 ? 0 : 50 * d.in(0, length / 50);
      prog = 50 * d.in(1, 4000);
      flag = d.in(0, 1);
    }
    l += std::string("progressiva chilometrica ") + progressive_names[i] + ", " + n(pos) + ", " +
         n(prog) + ", " + n(flag) + "\r\n";
  }
  l += "sfondo uno, " + n(d.in(-5, 40000)) + "\r\nsfondo due, " + n(d.in(0, 3)) +
       "\r\nsfondo tre, " + n(d.in(0, 9)) + "\r\n";
  const std::int64_t repetition_start = 50 * d.in(0, 100);
  l += std::string("ripetizione segnali ") + (d.one_in(2) ? "4" : "9") + " codici, " + n(repetition_start) +
       ", " + n(d.one_in(4) ? 0 : repetition_start + 50 * d.in(1, 1000)) + "\r\n";

  l += "[curve]\r\n";
  for (std::int64_t s = d.in(0, 3000);;) {
    const std::int64_t stretch = d.in(1, 2500);
    if (s + stretch > route_end) break;
    l += std::string("curva") + (d.one_in(2) ? "s" : "d") + n(d.in(1, 6)) + ", " + n(s) + ", " + n(stretch) + "\r\n";
    s += stretch + (d.one_in(5) ? 0 : d.in(1, 5000));
  }
  l += "[pendenze]\r\n";
  for (std::int64_t p = d.one_in(3) ? 0 : 50 * d.in(1, 40);;) {
    l += "pendenza, " + n(p + (d.one_in(6) ? d.in(-20, 20) : 0)) + ", " + n(d.in(-30, 30)) + "\r\n";
    p += 50 * d.in(2, 200);
    if (p > route_end) break;
  }
  l += "[montagne]\r\n";
  for (std::int64_t p = 50 * d.in(1, 100), k = d.in(0, 8); k > 0; --k) {
    const std::int64_t f = p + 50 * d.in(1, 80);
    if (f > route_end) break;
    l += "montagna, " + n(p) + ", " + n(f) + ", " + n(d.in(1, 5) + (d.one_in(2) ? 10 : 0)) + "\r\n";
    p = f + 50 * d.in(1, 100);
  }
  l += "[cartelli]\r\n";
  std::vector<std::pair<std::int64_t, std::string>> boards;
  std::set<std::int64_t> speed_boards;  // speed boards' cells, which a station's stop cell may take
  for (std::int64_t k = d.in(0, 12); k > 0; --k) {
    const std::int64_t c = d.in(2, last_cell - 4);
    if (!all_free({c})) continue;
    take({c});
    speed_boards.insert(c);
    const auto speed = [&] { return 5 * d.in(6, 40); };
    const bool d_set = d.one_in(2);
    boards.emplace_back(c, "indicatori_vmax, " + n(50 * (c - 1)) + ", " + n(speed()) + ", " + n(speed()) +
                                 ", " + n(speed()) + ", " + n(d.in(0, 3)) + ", " +
                                 (d_set ? n(speed()) + ", " + n(speed()) + ", " + n(speed()) : ", , ") +
                                 ", " + n(d.in(0, 2)) + "\r\n");
  }
  std::sort(boards.begin(), boards.end());
  for (const auto& [c, row] : boards) l += row;
  l += "[indicazioni]\r\n";
  std::vector<std::int64_t> text_boards;
  for (std::int64_t k = d.in(0, 4); k > 0; --k) {
    const std::int64_t c = d.in(2, last_cell - 4);
    if (!all_free({c})) continue;
    take({c});
    text_boards.push_back(c);
  }
  std::sort(text_boards.begin(), text_boards.end());
  for (std::int64_t c : text_boards) l += "cartello indicatore, " + n(50 * (c - 1)) + ", " + name(d) + "\r\n";
  l += "[fine]\r\n";

  std::string t = "[generale]\r\nnumero vetture, " + n(d.in(1, 20)) + "\r\npercentuale massa frenata, " +
                  n(d.in(50, 150)) + "\r\nsabbia, " + n(d.in(0, 500)) + "\r\norologio, " + n(d.in(0, 23)) +
                  " " + n(d.in(0, 59)) + " " + n(d.in(0, 59)) + "\r\n";
  t += "[aderenze]\r\n";
  for (std::int64_t p = 0; p <= route_end; p += 50 * d.in(2, 400))
    t += "aderenza, " + n(p) + ", " + n(d.in(80, 100)) + "\r\n";
  t += "[vel_limite]\r\n";
  for (std::int64_t p = 0; p <= route_end; p += 50 * d.in(2, 400))
    t += "velocita, " + n(p + (d.one_in(6) ? d.in(-20, 20) : 0)) + ", " + n(5 * d.in(6, 40)) + "\r\n";

  t += "[stazioni]\r\n";
  std::int64_t zone_end = -100000;
  const std::int64_t kinds[] = {4, 5, 6, 7, 8, 11, 12, 22, 25, 28};
  for (int e = 1; e <= 20; ++e) {
    const std::int64_t kind = kinds[d.in(0, 9)];
    const std::int64_t stretch = 100 * d.in(2, 10);
    const bool extended = d.one_in(2);
    std::int64_t p = 50 * ((zone_end + 350 + stretch + 100) / 50 + d.in(0, 200));
    if (p < 1000) p = 1000;
    std::int64_t start, station_end;
    if (kind == 5 || kind == 6) start = p - stretch, station_end = p + 150;
    else if (kind == 7 || kind == 8) start = p - stretch, station_end = p + stretch;
    else start = p - stretch / 2, station_end = p + stretch / 2 + (extended ? 50 : 0);
    if ((p + 800) / 50 > last_cell - 1 || station_end > route_end) break;
    if (start - 350 < zone_end) continue;
    if (kind < 25) {
      // Some stations are put on a speed board, whose cell the stop cell
      // then takes, keeping the board's other codes.
      const std::int64_t stop = station_end / 50 - 1;
      std::int64_t chosen = stop;
      if (!speed_boards.empty() && d.one_in(4)) {
        const std::int64_t board_cell = *std::next(speed_boards.begin(), d.in(0, static_cast<std::int64_t>(speed_boards.size()) - 1));
        if (board_cell > stop) chosen = board_cell;
      }
      if (chosen != stop) {
        // The same station moved so that its stop cell is the board's.
        const std::int64_t shift = 50 * (chosen - stop);
        p += shift, start += shift, station_end += shift;
        if ((p + 800) / 50 > last_cell - 1 || station_end > route_end) break;
        speed_boards.erase(chosen);
      } else if (!all_free({stop})) {
        continue;
      }
      take({chosen});
    }
    zone_end = station_end;
    t += "stazione, " + n(p) + ", " + n(kind) + ", " + n(stretch) + ", " + n(d.in(0, 1)) + ", " +
         n(d.in(0, 1)) + ", " + n(extended ? 1 : 0) + ", " + n(d.in(0, 4)) + "," + n(d.in(0, 1)) + "," +
         n(d.in(0, 1)) + ", " + n(d.in(0, 4)) + "," + n(d.in(0, 1)) + "," + n(d.in(0, 1)) + ", " +
         n(d.in(0, 250)) + ", " + n(d.in(0, 23)) + "," + n(d.in(0, 59)) + ", " + n(d.in(0, 59)) + ", " +
         name(d) + "\r\n";
  }

  t += "[rallentamenti]\r\n";
  std::vector<std::pair<std::int64_t, std::string>> rows;
  for (std::int64_t k = d.in(0, 4); k > 0; --k) {
    const std::int64_t i = d.in(2, last_cell - 60);
    const std::int64_t cells_long = d.in(0, 40);
    const std::int64_t x = 50 * (i - 1);
    const bool warning = x > 1500, approach = warning && d.one_in(2);
    if (!all_free({i, i + cells_long})) continue;
    if (warning && !all_free({i - 24})) continue;
    if (approach && !all_free({i - 25, i - 26, i - 27, i - 28})) continue;
    bool inside = false;  // nothing of another feature inside the slowdown
    for (std::int64_t c = i; c <= i + cells_long; ++c) inside = inside || taken.count(c);
    if (inside) continue;
    for (std::int64_t c = i - 28; c <= i + cells_long; ++c) taken.insert(c);
    rows.emplace_back(i, "rallentamento, " + n(x) + ", " + n(5 * d.in(6, 30)) + ", " + n(50 * cells_long) + ", " +
                              n(d.in(0, 1)) + ", " + n(approach ? 1 : 0) + ", " + n(d.one_in(2) ? 0 : d.in(1, 9)) +
                              "\r\n");
  }
  std::sort(rows.begin(), rows.end());
  for (const auto& [i, row] : rows) t += row;

  t += "[segnali]\r\n";
  rows.clear();
  for (std::int64_t k = d.in(0, 40); k > 0; --k) {
    const std::int64_t i = d.in(10, last_cell - 4);
    if (!all_free({i})) continue;
    take({i});
    const std::int64_t sx = d.in(0, 2);
    rows.emplace_back(i, "segnale, " + n(50 * (i - 1)) + ", " + n(sx) + ", " + n(d.in(0, 9)) + ", " +
                              n(d.in(0, 9)) + ", " + n(d.in(0, 9)) + ", " + n(d.in(0, 3)) + ", " +
                              n(d.in(0, 2)) + ", " + n(d.in(0, 9)) + "," + n(d.in(0, 9)) + "," +
                              n(d.in(0, 9)) + ", " + n(d.one_in(2) ? 0 : d.in(101, 255)) + "\r\n");
  }
  std::sort(rows.begin(), rows.end());
  for (const auto& [i, row] : rows) t += row;
  for (std::int64_t k = d.in(0, 5); k > 0; --k) {
    const std::int64_t c = d.in(2, last_cell - 4);
    if (!all_free({c})) continue;
    take({c});
    t += "abbattimento, " + n(50 * c) + ", " + n(d.one_in(3) ? 180 : d.in(-1, 300)) + "\r\n";
  }
  t += "[fine]\r\n";
  return {l, t};
}

}  // namespace testing_support
