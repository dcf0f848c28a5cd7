// Station rows: entries, stretches, stop cells, approach marks, limits.
#include <gtest/gtest.h>

#include <limits>

#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::ScenarioFixture;
using testing_support::train_with;

std::string stazione(int p, int tipo, int lunghezza, int byte4 = 0, const std::string& nome = "S",
                     int byte5 = 1) {
  return "stazione, " + std::to_string(p) + ", " + std::to_string(tipo) + ", " + std::to_string(lunghezza) +
         ", 0, " + std::to_string(byte5) + ", " + std::to_string(byte4) + ", 1,1,0, 4,1,1, 1, 13,57,0, " +
         nome + "\r\n";
}

Modello& leggi(ScenarioFixture& f, const std::string& righe, const std::string& corpo_linea = "") {
  return testing_support::read_train(f, train_with(righe), corpo_linea);
}

TEST(Stations, StretchesStopCellsAndMarksByType) {
  ScenarioFixture f;
  Modello& m = leggi(f, stazione(0, 8, 700, 0, "VALDORA") + stazione(11150, 22, 500, 1, "CASTELVERDO DURV.") +
                            stazione(16900, 12, 600, 0, "TORBIO", 1) + stazione(20000, 25, 200) +
                            stazione(25000, 5, 800, 1, "VEDONA CENTRALE"));
  ASSERT_EQ(m.numero_errore, 0);
  const auto& t = m.tabella_percorso;
  EXPECT_EQ(t[1].dato1, -700);
  EXPECT_EQ(t[1].dato2, 700);
  EXPECT_EQ(t[1].dato3, 0);
  EXPECT_EQ(t[1].dato4, 50220);
  EXPECT_EQ(t[1].byte5, 0);  // first station
  EXPECT_EQ(t[1].testo, "VALDORA");
  for (auto [cell, mark] : {std::pair{12, 81}, {11, 82}, {10, 83}, {9, 84}})
    EXPECT_EQ(m.celle[static_cast<std::size_t>(cell)].preavviso, mark) << cell;
  EXPECT_EQ(m.celle[13].tipo_cella, tipo::fermata);
  EXPECT_EQ(m.celle[13].valore_a, 1);

  EXPECT_EQ(t[2].dato1, 10900);  // centred, extended by 50 m
  EXPECT_EQ(t[2].dato2, 11450);
  EXPECT_EQ(t[2].byte4, 1);
  EXPECT_EQ(t[2].byte5, 0);      // shorter than 600 m
  EXPECT_EQ(t[3].byte5, 1);      // 600 m keeps it
  EXPECT_EQ(m.celle[228].tipo_cella, tipo::fermata);
  EXPECT_EQ(m.celle[228].valore_a, 2);

  EXPECT_EQ(t[4].tipo_voce, 25);  // entry only: no stop cell, no marks
  EXPECT_EQ(m.celle[401].tipo_cella, tipo::vuota);
  EXPECT_EQ(m.celle[397].preavviso, 0);

  EXPECT_EQ(t[5].dato1, 24200);
  EXPECT_EQ(t[5].dato2, 25150);
  EXPECT_EQ(t[5].byte4, 0);
  EXPECT_EQ(m.celle[502].tipo_cella, tipo::fermata);
  EXPECT_EQ(m.celle[501].preavviso, 0);  // types 5 and 6 get no marks
}

TEST(Stations, SpacingOfExactly350IsAccepted) {
  // The first stretch is 4700 .. 5300.
  ScenarioFixture g;
  Modello& n = leggi(g, stazione(5000, 12, 600) + stazione(6000, 5, 400));  // starts 5600: 300 m after
  EXPECT_EQ(n.numero_errore, 22);
  EXPECT_EQ(n.posizione_errore, 6000);
  ScenarioFixture h;
  Modello& o = leggi(h, stazione(5000, 12, 600) + stazione(6050, 5, 400));  // starts 5650: exactly 350
  EXPECT_EQ(o.numero_errore, 0);
}

TEST(Stations, ErrorTable) {
  struct Case {
    const char* name;
    std::string righe;
    std::int32_t errore, posizione;
    int stazioni;  // entries filled (dato3 set) before the error
  };
  const std::vector<Case> cases = {
      {"position not a multiple of 50", stazione(1010, 12, 600), 8, 1010, 1},
      {"length not a multiple of 100", stazione(1000, 12, 650), 9, 1000, 1},
      {"too near the end of the cells", stazione(36250, 12, 600), 15, 36250, 1},
      {"stop cell not beyond cell 1", stazione(50, 12, 100), 24, -1, 1},
      {"stop cell past the last cell", stazione(36000, 12, 20000), 15, 36000, 1},
      {"type beyond a byte", stazione(1000, 256, 600), 25, -1, 1},
      // Every step of the readers' arithmetic is 32-bit.
      {"position + 800 beyond 32 bits", stazione(2147483000, 12, 600), 25, -1, 1},
      {"start - 350 beyond 32 bits", stazione(1000, 25, 0) + stazione(-2147483000, 25, 600), 25, -1, 2},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    Modello& m = leggi(f, c.righe);
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;
    EXPECT_EQ(m.posizione_errore, c.posizione) << c.name;
    EXPECT_FALSE(f.train_text_left()) << c.name;
  }
  ScenarioFixture g;
  Modello& m = leggi(g, stazione(100, 12, 100));  // the stretch ends at 150: stop cell 2
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.celle[2].tipo_cella, tipo::fermata);
}

// (hours x 60 + minutes) x 60 + seconds is checked at every step, not only
// as a whole.
TEST(Stations, TimeStaysWithin32BitsAtEveryStep) {
  struct Case {
    const char* ora;
    std::int32_t errore, dato4;
  };
  const std::vector<Case> cases = {
      {"596523, 14, 7", 0, 2147483647},
      {"596523, 14, 8", 25, 0},
      {"-596523, -14, -8", 0, std::numeric_limits<std::int32_t>::min()},
      {"-596523, -14, -9", 25, 0},
      {"35800000, -2147000000, 0", 25, 0},  // the whole would be 60000000
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    Modello& m = leggi(f, "stazione, 1000, 12, 600, 0, 1, 0, 1,1,0, 4,1,1, 1, " + std::string(c.ora) + ", S\r\n");
    EXPECT_EQ(m.numero_errore, c.errore) << c.ora;
    EXPECT_EQ(m.tabella_percorso[1].dato4, c.dato4) << c.ora;
    EXPECT_FALSE(f.train_text_left()) << c.ora;
  }
}

TEST(Stations, TheTableStopsAtTheBoards) {
  for (int cartelli : {0, 3, 80}) {
    std::string corpo;
    for (int i = 0; i < cartelli; ++i) corpo += "cartello indicatore, " + std::to_string(1000 + 200 * i) + ", B\r\n";
    std::string righe;
    for (int i = 0; i < 79; ++i) righe += stazione(1000 + 400 * i, 25, 0);
    ScenarioFixture f;
    Modello& m = leggi(f, righe, corpo);
    EXPECT_EQ(m.numero_errore, 10) << cartelli;
    const int accettate = std::max(78 - cartelli, 0);
    // The station that reaches the limit is stored before the error...
    if (cartelli < 79) {
      EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(accettate + 1)].dato3, 1000 + 400 * accettate) << cartelli;
    }
    // ...but never over a board's text.
    if (cartelli > 0) {
      EXPECT_EQ(m.tabella_percorso[static_cast<std::size_t>(81 - cartelli)].testo, "B") << cartelli;
    }
  }
}

}  // namespace
