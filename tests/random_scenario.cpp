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
  const std::int64_t lunghezza = 20000 + 50 * d.in(0, 3000);
  const std::int64_t ultima = (lunghezza + 7000 + 25) / 50;  // never a half: lunghezza is a multiple of 50
  const std::int64_t fine = lunghezza - 500;  // rows stay before the end of the line
  std::set<std::int64_t> prese{0, 1};         // cells taken by a feature (cell 1 holds the stamps)
  auto libere = [&](std::initializer_list<std::int64_t> celle) {
    for (std::int64_t c : celle)
      if (c < 2 || c > ultima - 2 || prese.count(c)) return false;
    return true;
  };
  auto prendi = [&](std::initializer_list<std::int64_t> celle) {
    for (std::int64_t c : celle) prese.insert(c);
  };

  std::string l = "[generale]\r\nlunghezza percorso, " + n(lunghezza) + "\r\n";
  const char* const nomi_progressive[] = {"uno", "due", "tre"};
  const std::int64_t progressive = d.in(0, 3);
  for (std::int64_t i = 0; i < 3; ++i) {
    std::int64_t pos = 0, prog = 0, flag = 0;
    if (i < progressive) {
      pos = progressive == 1 ? 0 : 50 * d.in(0, lunghezza / 50);
      prog = 50 * d.in(1, 4000);
      flag = d.in(0, 1);
    }
    l += std::string("progressiva chilometrica ") + nomi_progressive[i] + ", " + n(pos) + ", " +
         n(prog) + ", " + n(flag) + "\r\n";
  }
  l += "sfondo uno, " + n(d.in(-5, 40000)) + "\r\nsfondo due, " + n(d.in(0, 3)) +
       "\r\nsfondo tre, " + n(d.in(0, 9)) + "\r\n";
  const std::int64_t rip_inizio = 50 * d.in(0, 100);
  l += std::string("ripetizione segnali ") + (d.one_in(2) ? "4" : "9") + " codici, " + n(rip_inizio) +
       ", " + n(d.one_in(4) ? 0 : rip_inizio + 50 * d.in(1, 1000)) + "\r\n";

  l += "[curve]\r\n";
  for (std::int64_t s = d.in(0, 3000);;) {
    const std::int64_t lung = d.in(1, 2500);
    if (s + lung > fine) break;
    l += std::string("curva") + (d.one_in(2) ? "s" : "d") + n(d.in(1, 6)) + ", " + n(s) + ", " + n(lung) + "\r\n";
    s += lung + (d.one_in(5) ? 0 : d.in(1, 5000));
  }
  l += "[pendenze]\r\n";
  for (std::int64_t p = d.one_in(3) ? 0 : 50 * d.in(1, 40);;) {
    l += "pendenza, " + n(p + (d.one_in(6) ? d.in(-20, 20) : 0)) + ", " + n(d.in(-30, 30)) + "\r\n";
    p += 50 * d.in(2, 200);
    if (p > fine) break;
  }
  l += "[montagne]\r\n";
  for (std::int64_t p = 50 * d.in(1, 100), k = d.in(0, 8); k > 0; --k) {
    const std::int64_t f = p + 50 * d.in(1, 80);
    if (f > fine) break;
    l += "montagna, " + n(p) + ", " + n(f) + ", " + n(d.in(1, 5) + (d.one_in(2) ? 10 : 0)) + "\r\n";
    p = f + 50 * d.in(1, 100);
  }
  l += "[cartelli]\r\n";
  std::vector<std::pair<std::int64_t, std::string>> cartelli;
  std::set<std::int64_t> tabelloni;  // speed boards' cells, which a station's stop cell may take
  for (std::int64_t k = d.in(0, 12); k > 0; --k) {
    const std::int64_t c = d.in(2, ultima - 4);
    if (!libere({c})) continue;
    prendi({c});
    tabelloni.insert(c);
    const auto speed = [&] { return 5 * d.in(6, 40); };
    const bool d_set = d.one_in(2);
    cartelli.emplace_back(c, "indicatori_vmax, " + n(50 * (c - 1)) + ", " + n(speed()) + ", " + n(speed()) +
                                 ", " + n(speed()) + ", " + n(d.in(0, 3)) + ", " +
                                 (d_set ? n(speed()) + ", " + n(speed()) + ", " + n(speed()) : ", , ") +
                                 ", " + n(d.in(0, 2)) + "\r\n");
  }
  std::sort(cartelli.begin(), cartelli.end());
  for (const auto& [c, riga] : cartelli) l += riga;
  l += "[indicazioni]\r\n";
  std::vector<std::int64_t> testi;
  for (std::int64_t k = d.in(0, 4); k > 0; --k) {
    const std::int64_t c = d.in(2, ultima - 4);
    if (!libere({c})) continue;
    prendi({c});
    testi.push_back(c);
  }
  std::sort(testi.begin(), testi.end());
  for (std::int64_t c : testi) l += "cartello indicatore, " + n(50 * (c - 1)) + ", " + name(d) + "\r\n";
  l += "[fine]\r\n";

  std::string t = "[generale]\r\nnumero vetture, " + n(d.in(1, 20)) + "\r\npercentuale massa frenata, " +
                  n(d.in(50, 150)) + "\r\nsabbia, " + n(d.in(0, 500)) + "\r\norologio, " + n(d.in(0, 23)) +
                  " " + n(d.in(0, 59)) + " " + n(d.in(0, 59)) + "\r\n";
  t += "[aderenze]\r\n";
  for (std::int64_t p = 0; p <= fine; p += 50 * d.in(2, 400))
    t += "aderenza, " + n(p) + ", " + n(d.in(80, 100)) + "\r\n";
  t += "[vel_limite]\r\n";
  for (std::int64_t p = 0; p <= fine; p += 50 * d.in(2, 400))
    t += "velocita, " + n(p + (d.one_in(6) ? d.in(-20, 20) : 0)) + ", " + n(5 * d.in(6, 40)) + "\r\n";

  t += "[stazioni]\r\n";
  std::int64_t fine_zona = -100000;
  const std::int64_t tipi[] = {4, 5, 6, 7, 8, 11, 12, 22, 25, 28};
  for (int e = 1; e <= 20; ++e) {
    const std::int64_t tipo = tipi[d.in(0, 9)];
    const std::int64_t lung = 100 * d.in(2, 10);
    const bool estesa = d.one_in(2);
    std::int64_t p = 50 * ((fine_zona + 350 + lung + 100) / 50 + d.in(0, 200));
    if (p < 1000) p = 1000;
    std::int64_t inizio, fine_st;
    if (tipo == 5 || tipo == 6) inizio = p - lung, fine_st = p + 150;
    else if (tipo == 7 || tipo == 8) inizio = p - lung, fine_st = p + lung;
    else inizio = p - lung / 2, fine_st = p + lung / 2 + (estesa ? 50 : 0);
    if ((p + 800) / 50 > ultima - 1 || fine_st > fine) break;
    if (inizio - 350 < fine_zona) continue;
    if (tipo < 25) {
      // Some stations are put on a speed board, whose cell the stop cell
      // then takes, keeping the board's other codes.
      const std::int64_t stop = fine_st / 50 - 1;
      std::int64_t scelta = stop;
      if (!tabelloni.empty() && d.one_in(4)) {
        const std::int64_t sotto = *std::next(tabelloni.begin(), d.in(0, static_cast<std::int64_t>(tabelloni.size()) - 1));
        if (sotto > stop) scelta = sotto;
      }
      if (scelta != stop) {
        // The same station moved so that its stop cell is the board's.
        const std::int64_t spostamento = 50 * (scelta - stop);
        p += spostamento, inizio += spostamento, fine_st += spostamento;
        if ((p + 800) / 50 > ultima - 1 || fine_st > fine) break;
        tabelloni.erase(scelta);
      } else if (!libere({stop})) {
        continue;
      }
      prendi({scelta});
    }
    fine_zona = fine_st;
    t += "stazione, " + n(p) + ", " + n(tipo) + ", " + n(lung) + ", " + n(d.in(0, 1)) + ", " +
         n(d.in(0, 1)) + ", " + n(estesa ? 1 : 0) + ", " + n(d.in(0, 4)) + "," + n(d.in(0, 1)) + "," +
         n(d.in(0, 1)) + ", " + n(d.in(0, 4)) + "," + n(d.in(0, 1)) + "," + n(d.in(0, 1)) + ", " +
         n(d.in(0, 250)) + ", " + n(d.in(0, 23)) + "," + n(d.in(0, 59)) + ", " + n(d.in(0, 59)) + ", " +
         name(d) + "\r\n";
  }

  t += "[rallentamenti]\r\n";
  std::vector<std::pair<std::int64_t, std::string>> righe;
  for (std::int64_t k = d.in(0, 4); k > 0; --k) {
    const std::int64_t i = d.in(2, ultima - 60);
    const std::int64_t celle_l = d.in(0, 40);
    const std::int64_t x = 50 * (i - 1);
    const bool avviso = x > 1500, approccio = avviso && d.one_in(2);
    if (!libere({i, i + celle_l})) continue;
    if (avviso && !libere({i - 24})) continue;
    if (approccio && !libere({i - 25, i - 26, i - 27, i - 28})) continue;
    bool dentro = false;  // nothing of another feature inside the slowdown
    for (std::int64_t c = i; c <= i + celle_l; ++c) dentro = dentro || prese.count(c);
    if (dentro) continue;
    for (std::int64_t c = i - 28; c <= i + celle_l; ++c) prese.insert(c);
    righe.emplace_back(i, "rallentamento, " + n(x) + ", " + n(5 * d.in(6, 30)) + ", " + n(50 * celle_l) + ", " +
                              n(d.in(0, 1)) + ", " + n(approccio ? 1 : 0) + ", " + n(d.one_in(2) ? 0 : d.in(1, 9)) +
                              "\r\n");
  }
  std::sort(righe.begin(), righe.end());
  for (const auto& [i, riga] : righe) t += riga;

  t += "[segnali]\r\n";
  righe.clear();
  for (std::int64_t k = d.in(0, 40); k > 0; --k) {
    const std::int64_t i = d.in(10, ultima - 4);
    if (!libere({i})) continue;
    prendi({i});
    const std::int64_t sx = d.in(0, 2);
    righe.emplace_back(i, "segnale, " + n(50 * (i - 1)) + ", " + n(sx) + ", " + n(d.in(0, 9)) + ", " +
                              n(d.in(0, 9)) + ", " + n(d.in(0, 9)) + ", " + n(d.in(0, 3)) + ", " +
                              n(d.in(0, 2)) + ", " + n(d.in(0, 9)) + "," + n(d.in(0, 9)) + "," +
                              n(d.in(0, 9)) + ", " + n(d.one_in(2) ? 0 : d.in(101, 255)) + "\r\n");
  }
  std::sort(righe.begin(), righe.end());
  for (const auto& [i, riga] : righe) t += riga;
  for (std::int64_t k = d.in(0, 5); k > 0; --k) {
    const std::int64_t c = d.in(2, ultima - 4);
    if (!libere({c})) continue;
    prendi({c});
    t += "abbattimento, " + n(50 * c) + ", " + n(d.one_in(3) ? 180 : d.in(-1, 300)) + "\r\n";
  }
  t += "[fine]\r\n";
  return {l, t};
}

}  // namespace testing_support
