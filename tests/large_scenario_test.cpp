// The largest scenario the formats accept: it compiles at the limits of the
// model (80 mountains, a full station table, a million-metre plan) with no
// recorded error, and its plan's last point matches a step-by-step
// recomputation bit for bit.
#include "large_scenario.h"

#include <gtest/gtest.h>

#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::ScenarioFixture;

TEST(LargeScenario, CompilesAtTheLimits) {
  const testing_support::LargeScenario s = testing_support::large_scenario();
  ScenarioFixture f;
  f.linea(s.linea);
  f.treno(s.treno);
  Modello& m = f.compila(1);
  ASSERT_EQ(m.numero_errore, 0) << m.posizione_errore;
  EXPECT_EQ(m.lunghezza_totale, 1007000);
  EXPECT_EQ(m.ultima_cella, 20140);
  EXPECT_EQ(m.num_montagne, 80);
  EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(s.stazioni)].testo, "STAZIONE " + std::to_string(s.stazioni - 1));
  EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(81 - s.cartelli)].testo, "BOARD " + std::to_string(s.cartelli - 1));
  int segnali = 0;
  for (const cella& c : m.celle) segnali += c.tipo_cella == tipo::segnale;
  EXPECT_EQ(segnali, s.segnali);

  // 2 integers, 1,006,997 doubles and 2 empty elements per coordinate.
  const std::uintmax_t atteso = 2 * (2 * 4 + 1006997 * 10 + 2 * 2);
  const std::string linea = testing_support::read_bytes(f.percorso(f.nomi().linea_dat()));
  EXPECT_EQ(linea.size(), atteso);
  // Begun while the plan was computed, the file still holds the plan whole.
  const std::span<const std::uint8_t> c0 = m.tracciato.image(0), c1 = m.tracciato.image(1);
  EXPECT_TRUE(linea == std::string(c0.begin(), c0.end()) + std::string(c1.begin(), c1.end()));

  // The last computed point, recomputed step by step: curves back to back,
  // curve i bending points 1000 i + 1 .. 1000 i + 1000, classes in the order
  // the generator writes them.
  static constexpr double k[6] = {0.0001, -0.0002, 0.0004, -0.001, 0.002, -0.003};
  double x0 = 0, y0 = 0, x1 = 0, y1 = 1;
  for (long c = 2; c <= 1006998; ++c) {
    const double kc = c <= 999000 ? k[((c - 1) / 1000) % 6] : 0.0;
    const double dx = x1 - x0, dy = y1 - y0;
    double x, y;
    if (kc == 0.0) {
      x = x1 + dx;
      y = y1 + dy;
    } else {
      const double sx = dx + kc * dy;
      const double sy = dy - kc * dx;
      x = x1 + sx;
      y = y1 + sy;
    }
    x0 = x1;
    y0 = y1;
    x1 = x;
    y1 = y;
  }
  EXPECT_EQ(std::bit_cast<std::uint64_t>(m.tracciato.valore(1006998, 0)), std::bit_cast<std::uint64_t>(x1));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(m.tracciato.valore(1006998, 1)), std::bit_cast<std::uint64_t>(y1));
}

}  // namespace
