// The train half of the reader: header values, profiles, the scan's rules,
// its errors and the deletion of the text on every path.
#include <gtest/gtest.h>

#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::read_train;
using testing_support::line_with;
using testing_support::ScenarioFixture;
using testing_support::train_with;


TEST(TrainReader, HeaderRowsAndKeywordRules) {
  ScenarioFixture f;
  Modello& m = read_train(f, train_with(
      "numero vetture,    16\r\n"
      "percentuale massa frenata,    125\r\n"
      "SABBIA,    300\r\n"
      "orologio,    13              56            15 \r\n"
      "----------------\r\n"
      "-numero vetture, 99\r\n"   // a commented row: its value is the next keyword field
      "[aderenze]\r\n[vel_limite]\r\n[stazioni]\r\n[segnali]\r\n[codici]\r\n"));
  EXPECT_EQ(m.numero_errore, 0);
  const auto& t = m.tabella_percorso;
  EXPECT_EQ(t[84].dato1, 125);
  EXPECT_EQ(t[84].dato3, 16);
  EXPECT_EQ(t[86].intero1, 300);
  EXPECT_EQ((std::array{t[86].intero3, t[86].intero4, t[86].intero5}), (std::array<std::int16_t, 3>{13, 56, 15}));
  EXPECT_FALSE(f.train_text_left());
}

TEST(TrainReader, SpeedProfileStepsRoundAndFill) {
  ScenarioFixture f;
  Modello& m = read_train(f, train_with(
      "velocita, 510, 138\r\n"    // from cell 10 (10.2)
      "velocita, 525, 137\r\n"    // 10.5 goes to 10: one more cell with the carried speed
      "velocita, 575, 100\r\n"    // 11.5 goes to 12
      "velocita, 2000, 30\r\n"
      "velocita, 1000, 50\r\n"    // out of order: one more cell, then takes over
      "velocita, 0, 60\r\n"));   // cell 0: writes nothing
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.celle[0].vel_limite, 0);
  EXPECT_EQ(m.celle[9].vel_limite, 0);
  EXPECT_EQ(m.celle[10].vel_limite, 28);
  EXPECT_EQ(m.celle[11].vel_limite, 27);
  EXPECT_EQ(m.celle[12].vel_limite, 20);
  EXPECT_EQ(m.celle[39].vel_limite, 20);
  EXPECT_EQ(m.celle[40].vel_limite, 6);
  EXPECT_EQ(m.celle[41].vel_limite, 12);  // the last step's speed fills to N - 3
  EXPECT_EQ(m.celle[737].vel_limite, 12);
  EXPECT_EQ(m.celle[738].vel_limite, 0);
  EXPECT_EQ(m.celle[740].vel_limite, 0);
}

TEST(TrainReader, AdhesionKeepsTheLowByte) {
  ScenarioFixture f;
  Modello& m = read_train(f, train_with("aderenza, 0, 100\r\naderenza, 1000, 300\r\n"));
  EXPECT_EQ(m.celle[19].aderenza, 100);
  EXPECT_EQ(m.celle[20].aderenza, 44);
  EXPECT_EQ(m.celle[737].aderenza, 44);
  EXPECT_EQ(m.celle[738].aderenza, 0);
}

TEST(TrainReader, WithoutGeneraleNothingIsReadButTheFillsRun) {
  ScenarioFixture f;
  Modello& m = read_train(f, "numero vetture, 16\r\nvelocita, 0, 100\r\n");
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.tabella_percorso[84].dato3, 0);
  EXPECT_EQ(m.celle[0].vel_limite, 0);
  EXPECT_FALSE(f.train_text_left());
}

TEST(TrainReader, PositionBeyondTheCellsEndsTheScanButFillsToTheEnd) {
  ScenarioFixture f;
  Modello& m = read_train(f, train_with("velocita, 0, 100\r\nvelocita, 36901, 50\r\nvelocita, 100, 30\r\n"));
  EXPECT_EQ(m.numero_errore, 15);
  EXPECT_EQ(m.posizione_errore, 36901);
  EXPECT_EQ(m.celle[737].vel_limite, 20);
  EXPECT_FALSE(f.train_text_left());
}

// Errors of the scan, and that the text is gone after each.
TEST(TrainReader, ErrorTable) {
  struct Case {
    const char* name;
    std::string treno;
    std::string corpo_linea;
    std::int32_t errore;
    std::int32_t posizione;
  };
  const std::vector<Case> cases = {
      {"sand beyond 16 bits", train_with("sabbia, 40000\r\n"), "", 25, -1},
      {"clock beyond 16 bits", train_with("orologio, 13 -40000 0\r\n"), "", 25, -1},
      {"speed whose fifth does not fit a byte", train_with("velocita, 0, 1300\r\n"), "", 25, -1},
      {"row cut off by the end of the file", "[generale]\r\nsegnale, 1000, 2, 4", "", 25, -1},
      {"letters in a number", train_with("numero vetture, sedici\r\n"), "", 25, -1},
      {"abbattimento on a taken cell", train_with("segnale, 950, 2,4,0,0,0,0,0,0,0,0\r\nabbattimento, 1000, 5\r\n"),
       "", 7, 1000},
      {"signal on a taken cell", train_with("abbattimento, 1000, 5\r\nsegnale, 950, 2,4,0,0,0,0,0,0,0,0\r\n"), "",
       16, 950},
      {"signal on a speed board", train_with("segnale, 1000, 2,4,0,0,0,0,0,0,0,0\r\n"),
       "indicatori_vmax, 1000, 100,100,100,0, 0,0,0,0\r\n", 16, 1000},
      {"negative signal position", train_with("segnale, -100, 2,4,0,0,0,0,0,0,0,0\r\n"), "", 15, -100},
      {"abbattimento before cell 0", train_with("abbattimento, -30, 5\r\n"), "", 15, -30},
      {"slowdown end past the last cell", train_with("rallentamento, 20000, 60, 100000, 0, 0, 0\r\n"), "", 15,
       20000},
      // The readers' arithmetic is 32-bit: a sum that leaves it fails the row.
      {"position + 100 beyond 32 bits", train_with("velocita, 2147483600, 100\r\n"), "", 25, -1},
      {"slowdown end beyond 32 bits", train_with("rallentamento, 20000, 60, 2147483000, 0, 0, 0\r\n"), "", 25,
       -1},
      {"progressive not a multiple of 50", train_with(""),
       "", 2, -1},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    std::string linea = line_with(c.corpo_linea, 30000);
    if (c.errore == 2) linea.insert(linea.find("[curve]"), "progressiva chilometrica uno, 100, 1025, 0\r\n");
    f.linea(linea);
    f.treno(c.treno);
    f.m.posizione_errore = -1;
    Modello& m = f.leggi();
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;
    EXPECT_EQ(m.posizione_errore, c.posizione) << c.name;
    EXPECT_FALSE(f.train_text_left()) << c.name;
    EXPECT_FALSE(f.line_text_left()) << c.name;
  }
}

TEST(TrainReader, ALineErrorFifteenKeepsItsPositionWhileTheTrainIsRead) {
  ScenarioFixture f;
  f.linea(line_with("pendenza, 40000, 1\r\n", 30000));
  f.treno(train_with("segnale, 1000, 2,4,0,0,0,0,0,0,0,0\r\nrallentamento, 20000, 60, 1000, 1, 1, 0\r\n"
                    "segnale, 5000, 2,4,0,0,0,0,0,0,0,0\r\n"));
  Modello& m = f.leggi();
  EXPECT_EQ(m.numero_errore, 15);
  EXPECT_EQ(m.posizione_errore, 40000);
  EXPECT_EQ(m.celle[21].tipo_cella, tipo::segnale);
  EXPECT_EQ(m.celle[401].tipo_cella, tipo::inizio_rallentamento);
  EXPECT_EQ(m.celle[101].tipo_cella, tipo::segnale);
  EXPECT_FALSE(f.train_text_left());
}

TEST(TrainReader, ErrorTwoReplacesErrorFifteen) {
  ScenarioFixture f;
  f.linea("[generale]\r\nlunghezza percorso, 30000\r\nprogressiva chilometrica tre, 60, 100, 0\r\n[c]\r\n[fine]\r\n");
  f.treno(train_with("velocita, 40000, 100\r\n"));
  Modello& m = f.leggi();
  EXPECT_EQ(m.numero_errore, 2);
  EXPECT_EQ(m.posizione_errore, 40000);
}

TEST(TrainReader, MissingTrainDescriptionIsAReadingFailure) {
  ScenarioFixture f;
  f.linea(line_with(""));
  Modello& m = f.leggi();
  EXPECT_EQ(m.numero_errore, 25);
  EXPECT_FALSE(f.line_text_left());
  EXPECT_FALSE(m.celle.empty());
}

}  // namespace
