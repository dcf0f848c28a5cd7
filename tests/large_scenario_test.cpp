// The largest scenario the formats accept: it compiles at the limits of the
// model (80 mountains, a full station table, a million-metre plan) with no
// recorded error or warning, and its compiled files are the known ones byte
// for byte.
#include "large_scenario.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "golden.h"
#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::ScenarioFixture;

TEST(LargeScenario, CompilesAtTheLimits) {
  const testing_support::LargeScenario s = testing_support::large_scenario();
  ScenarioFixture f;
  f.linea(s.linea);
  f.treno(s.treno);
  Modello& m = f.compile_folder(1);
  ASSERT_EQ(m.numero_errore, 0) << m.posizione_errore;
  // A sound scenario: nothing to warn about either.
  for (const Diagnostic& d : m.diagnostics) ADD_FAILURE() << d.code << ": " << d.message;
  EXPECT_EQ(m.lunghezza_totale, 1007000);
  EXPECT_EQ(m.ultima_cella, 20140);
  EXPECT_EQ(m.num_montagne, 80);
  EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(s.stations)].testo, "STAZIONE " + std::to_string(s.stations - 1));
  EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(81 - s.boards)].testo, "BOARD " + std::to_string(s.boards - 1));
  int signals = 0;
  for (const cella& c : m.celle) signals += c.tipo_cella == tipo::segnale;
  EXPECT_EQ(signals, s.signals);

  // 2 integers, 1,006,997 doubles and 2 empty elements per coordinate.
  const std::uintmax_t atteso = 2 * (2 * 4 + 1006997 * 10 + 2 * 2);
  const std::string linea = testing_support::read_bytes(f.percorso(f.nomi().linea_dat()));
  EXPECT_EQ(linea.size(), atteso);
  // Begun while the plan was computed, the file still holds the plan whole.
  const std::span<const std::uint8_t> c0 = m.tracciato.image(0), c1 = m.tracciato.image(1);
  EXPECT_TRUE(linea == std::string(c0.begin(), c0.end()) + std::string(c1.begin(), c1.end()));

  // The last computed point, bit for bit, and every compiled byte.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(m.tracciato.valore(1006998, 0)),
            std::bit_cast<std::uint64_t>(0x1.7e82562b35826p+14));
  EXPECT_EQ(std::bit_cast<std::uint64_t>(m.tracciato.valore(1006998, 1)),
            std::bit_cast<std::uint64_t>(0x1.032b238d57d91p+14));
  const auto expected = testing_support::golden_digests("large_scenario.sha256");
  for (const std::string& name : {f.nomi().linea_dat(), f.nomi().percorso_sim(), f.nomi().celle_dat()})
    EXPECT_EQ(testing_support::sha256_hex(testing_support::read_bytes(f.percorso(name))), expected.at(name))
        << name;
}

}  // namespace
