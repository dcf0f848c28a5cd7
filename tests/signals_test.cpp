// Signals, slowdowns and "abbattimento" points in the cells.
#include <gtest/gtest.h>

#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::ScenarioFixture;
using testing_support::train_with;

Modello& leggi(ScenarioFixture& f, const std::string& righe, const std::string& corpo_linea = "") {
  return testing_support::read_train(f, train_with(righe), corpo_linea);
}

TEST(Signals, CodesTimeAndApproachMarks) {
  ScenarioFixture f;
  Modello& m = leggi(f,
                     "segnale,   10050,   2, 4, 0,  0, 0,    2,  2,0,0, 0\r\n"
                     "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0, 220\r\n"
                     "segnale,    6000,   2, 2, 4,  1, 1,    2,  2,1,1, 50\r\n"
                     "segnale,    7000,   2, 4, 0,  0, 0,    0,  0,0,0, 300\r\n"
                     "segnale,    8000,   1, 4, 0,  0, 0,    0,  0,0,0, 220\r\n"
                     "segnale,     100,   2, 4, 0,  0, 0,    0,  0,0,0, 0\r\n");  // marks before cell 0 skipped
  ASSERT_EQ(m.numero_errore, 0);
  const cella& a = m.celle[202];
  EXPECT_EQ(a.tipo_cella, tipo::segnale);
  EXPECT_EQ((std::array{a.valore_a, a.valore_b, a.valore_c, a.valore_d}), (std::array<std::int16_t, 4>{42, 0, 0, 8}));
  EXPECT_EQ(a.tempo_segnale, 0);
  for (auto [cell, mark] : {std::pair{200, 81}, {198, 82}, {196, 83}, {194, 84}})
    EXPECT_EQ(m.celle[static_cast<std::size_t>(cell)].preavviso, mark);
  const cella& b = m.celle[85];
  EXPECT_EQ(b.valore_d, 6);
  EXPECT_EQ(b.valore_a, 40);
  EXPECT_EQ(b.tempo_segnale, 220);
  for (auto [cell, mark] : {std::pair{83, 61}, {81, 62}, {79, 63}, {77, 64}})
    EXPECT_EQ(m.celle[static_cast<std::size_t>(cell)].preavviso, mark);
  const cella& c = m.celle[121];
  EXPECT_EQ((std::array{c.valore_a, c.valore_b, c.valore_c, c.valore_d}), (std::array<std::int16_t, 4>{22, 41, 11, 18}));
  EXPECT_EQ(c.tempo_segnale, 101);
  EXPECT_EQ(m.celle[141].tempo_segnale, 44);  // 300: low byte
  EXPECT_EQ(m.celle[161].tempo_segnale, 0);   // sx 1
  EXPECT_EQ(m.celle[3].tipo_cella, tipo::segnale);
  EXPECT_EQ(m.celle[1].preavviso, 61);
}

TEST(Signals, MountainMarkersAcceptFeatures) {
  ScenarioFixture f;
  Modello& m = leggi(f, "segnale, 1100, 2,4,0,0,0,0,0,0,0,0\r\n", "montagna, 1000, 2000, 11\r\n");  // marker at 23
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.celle[23].tipo_cella, tipo::segnale);
  EXPECT_EQ(m.celle[23].codice_montagna, 1);
}

TEST(Slowdowns, CellsOfASlowdownWithApproach) {
  ScenarioFixture f;
  Modello& m = leggi(f, "rallentamento, 20000, 60, 1000, 1, 1, 0\r\n");
  ASSERT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.celle[401].tipo_cella, tipo::inizio_rallentamento);
  EXPECT_EQ(m.celle[421].tipo_cella, tipo::fine_rallentamento);
  EXPECT_EQ(m.celle[377].tipo_cella, tipo::avviso_rallentamento);
  for (int i : {401, 421, 377}) {
    EXPECT_EQ(m.celle[static_cast<std::size_t>(i)].valore_a, 60) << i;
    EXPECT_EQ(m.celle[static_cast<std::size_t>(i)].valore_b, 0) << i;
  }
  EXPECT_EQ(m.celle[401].valore_c, 1);
  EXPECT_EQ(m.celle[421].valore_c, 1);
  for (int j = 0; j < 4; ++j) {
    const cella& c = m.celle[static_cast<std::size_t>(376 - j)];
    EXPECT_EQ(c.tipo_cella, tipo::preavviso_rallentamento);
    EXPECT_EQ(c.valore_a, j + 1);
    EXPECT_EQ(c.valore_b, 0);
  }
}

TEST(Slowdowns, NearTheStartAndWithSecondValue) {
  ScenarioFixture f;
  Modello& m = leggi(f,
                     "rallentamento, 1500, 60, 0, 1, 1, 0\r\n"      // no warning, no approach; one cell, a start
                     "rallentamento, 1550, 60, 500, 0, 0, 7\r\n");  // warning in cell 8
  ASSERT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.celle[31].tipo_cella, tipo::inizio_rallentamento);
  EXPECT_EQ(m.celle[26].tipo_cella, tipo::vuota);
  EXPECT_EQ(m.celle[8].tipo_cella, tipo::avviso_rallentamento);
  EXPECT_EQ(m.celle[8].valore_b, 7);
  EXPECT_EQ(m.celle[32].valore_b, 7);
  EXPECT_EQ(m.celle[42].tipo_cella, tipo::fine_rallentamento);
}

TEST(Slowdowns, ErrorTable) {
  struct Case {
    const char* name;
    std::string righe;
    std::int32_t errore, posizione;
  };
  const std::string blocco = "abbattimento, ";
  const std::vector<Case> cases = {
      {"warning cell taken", blocco + "18850, 1\r\nrallentamento, 20000, 60, 1000, 1, 0, 0\r\n", 17, 20000},
      {"start cell taken", blocco + "20050, 1\r\nrallentamento, 20000, 60, 1000, 1, 0, 0\r\n", 18, 20000},
      {"end cell taken", blocco + "21050, 1\r\nrallentamento, 20000, 60, 1000, 1, 0, 0\r\n", 19, 20000},
      {"approach cell taken", blocco + "18700, 1\r\nrallentamento, 20000, 60, 1000, 1, 1, 0\r\n", 20, 20000},
      {"end beyond the last cell", "rallentamento, 20000, 60, 90000, 1, 0, 0\r\n", 15, 20000},
      {"start before cell 0", "rallentamento, -500, 60, 100, 1, 0, 0\r\n", 15, -500},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    Modello& m = leggi(f, c.righe);
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;
    EXPECT_EQ(m.posizione_errore, c.posizione) << c.name;
    EXPECT_FALSE(f.train_text_left()) << c.name;
  }
  // Error 20 keeps the cells written before it.
  ScenarioFixture f;
  Modello& m = leggi(f, blocco + "18700, 1\r\nrallentamento, 20000, 60, 1000, 1, 1, 0\r\n");
  EXPECT_EQ(m.celle[401].tipo_cella, tipo::inizio_rallentamento);
  EXPECT_EQ(m.celle[377].tipo_cella, tipo::avviso_rallentamento);
}

TEST(Abbattimento, WithAndWithoutValue) {
  ScenarioFixture f;
  Modello& m = leggi(f, "abbattimento, 1000, 5\r\nabbattimento, 2000, 0\r\nabbattimento, 3000, -4\r\n");
  EXPECT_EQ(m.celle[20].tipo_cella, tipo::abbattimento_con_valore);
  EXPECT_EQ(m.celle[20].valore_a, 5);
  EXPECT_EQ(m.celle[40].tipo_cella, tipo::abbattimento);
  EXPECT_EQ(m.celle[60].tipo_cella, tipo::abbattimento);
  EXPECT_EQ(m.celle[60].valore_a, 0);
}

}  // namespace
