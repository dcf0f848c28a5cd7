// The line half of the reader: the general section, the error table and
// which description files are left afterwards.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::line_with;
using testing_support::ScenarioFixture;
using testing_support::train_with;

const std::string treno_vuoto = train_with("");

TEST(LineReader, GeneralSectionFillsTheHeaderEntries) {
  ScenarioFixture f;
  f.linea(
      "[generale]\r\n"
      "lunghezza percorso,    85000\r\n"
      "progressiva chilometrica uno,    0,    82800,    1\r\n"
      "progressiva chilometrica due,    0,    0,    0\r\n"
      "progressiva chilometrica tre,    0,    0,    0\r\n"
      "sfondo uno,    33000\r\n"
      "sfondo due,    1\r\n"
      "sfondo tre,    7\r\n"
      "ripetizione segnali 9 codici,    50,    76800\r\n"
      "[curve]\r\n[fine]\r\n");
  f.treno(treno_vuoto);
  Modello& m = f.leggi(1);
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_EQ(m.lunghezza_totale, 92000);
  EXPECT_EQ(m.ultima_cella, 1840);
  EXPECT_EQ(m.celle.size(), 1841u);
  EXPECT_EQ(m.tracciato.punti(), 92001u);
  const auto& t = m.tabella_percorso;
  EXPECT_EQ(t[84].dato2, 85000);
  EXPECT_EQ(t[81].dato2, 82900);  // ordered first, flag adds 100
  EXPECT_EQ(t[81].dato3, 1);
  // Background two goes to dato3, three to dato2.
  EXPECT_EQ(t[85].dato1, 33000);
  EXPECT_EQ(t[85].dato2, 7);
  EXPECT_EQ(t[85].dato3, 1);
  EXPECT_EQ(t[85].testo, "Prova");
  EXPECT_EQ(t[86].testo, "7");
  EXPECT_EQ(t[86].dato1, 50);
  EXPECT_EQ(t[86].dato2, 76800);
  EXPECT_EQ(t[86].dato3, 9);
  EXPECT_FALSE(f.line_text_left());
  EXPECT_FALSE(f.train_text_left());
}

TEST(LineReader, KeywordRulesOfTheGeneralSection) {
  struct Case {
    const char* name;
    std::string generale;
    std::int32_t sfondo_uno;
  };
  const std::vector<Case> cases = {
      {"route length in capitals is recognised, case-exact keyword with a capital is not",
       "LUNGHEZZA PERCORSO, 10000\r\nSfondo uno, 5\r\n", 0},
      {"a hyphen makes a comment; its numbers are then skipped as keyword fields",
       "lunghezza percorso, 10000\r\nsfondo-uno, 5\r\n", 0},
      {"a bracketed field beginning with a hyphen does not end the section (it is a comment)",
       "lunghezza percorso, 10000\r\n-[x]\r\nsfondo uno, 5\r\n", 5},
      {"any other text around a keyword is free",
       "lunghezza percorso, 10000\r\nil nostro sfondo uno qui, 5\r\n", 5},
      // Ten comment fields use up the skipping, so the eleventh field is
      // tested for the section's end: with its leading spaces set aside.
      {"a quoted bracketed field with blanks before its hyphen does not end the section either",
       "lunghezza percorso, 10000\r\n-,-,-,-,-,-,-,-,-,-,\" -[x]\"\r\nsfondo uno, 5\r\n", 5},
      {"a quoted bracketed field with blanks and no hyphen ends the section",
       "lunghezza percorso, 10000\r\n-,-,-,-,-,-,-,-,-,-,\" [x]\"\r\nsfondo uno, 5\r\n", 0},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    f.linea("[generale]\r\n" + c.generale + "[curve]\r\n[fine]\r\n");
    f.treno(treno_vuoto);
    Modello& m = f.leggi();
    EXPECT_EQ(m.numero_errore, 0) << c.name;
    EXPECT_EQ(m.ultima_cella, 340) << c.name;
    EXPECT_EQ(m.tabella_percorso[85].dato1, c.sfondo_uno) << c.name;
  }
}

TEST(LineReader, LastCellIndexRoundsHalfToEven) {
  for (auto [lunghezza, ultima] : {std::pair{25, 140}, {75, 142}, {1, 140}, {1000000, 20140}}) {
    ScenarioFixture f;
    f.linea(line_with("", lunghezza));
    f.treno(treno_vuoto);
    Modello& m = f.leggi();
    EXPECT_EQ(m.numero_errore, 0) << lunghezza;
    EXPECT_EQ(m.ultima_cella, ultima) << lunghezza;
  }
}

// Every error of the line reader, and which files it leaves.
TEST(LineReader, ErrorTable) {
  struct Case {
    const char* name;
    std::string linea;
    std::int32_t errore;
    std::int32_t posizione;  // -1: not set
    bool line_text_left, train_text_left;
  };
  const std::string gen = "[generale]\r\nlunghezza percorso, 10000\r\n";
  const std::vector<Case> cases = {
      {"no [generale]", "lunghezza percorso, 10000\r\n[fine]\r\n", 102, -1, false, true},
      {"[generale] is the last field", "x\r\n[generale]\r\n", 102, -1, false, true},
      {"empty file", "", 102, -1, false, true},
      {"route length above 1000000", "[generale]\r\nlunghezza percorso, 1000001\r\n[c]\r\n[fine]\r\n",
       1, -1, false, true},
      {"repetition start", gen + "ripetizione segnali 4, 25, 100\r\n[c]\r\n[fine]\r\n", 3, -1, false, true},
      {"repetition end", gen + "ripetizione segnali 4, 50, 120\r\n[c]\r\n[fine]\r\n", 4, -1, false, true},
      {"repetition without 4 or 9", gen + "ripetizione segnali, 50, 0\r\n[c]\r\n[fine]\r\n", 5, -1, false, true},
      {"curve without class digit", line_with("curvad, 100, 50\r\n"), 103, -1, false, true},
      {"curve beyond point 1000000",
       "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 999000, 5000\r\n[fine]\r\n", 103, -1,
       false, true},
      {"text board on a speed board", line_with("indicatori_vmax, 1000, 100,100,100,0, 0,0,0,0\r\n"
                                                "cartello indicatore, 1000, STOP\r\n"),
       6, 1000, false, true},
      {"speed board on a speed board", line_with("indicatori_vmax, 1000, 100,100,100,0, 0,0,0,0\r\n"
                                                 "indicatori_vmax, 1010, 100,100,100,0, 0,0,0,0\r\n"),
       21, 1010, false, true},
      {"body record beyond the cells: train still read", line_with("pendenza, 16901, 3\r\n"), 15, 16901,
       false, false},
      {"record cut off by the end of the file", gen + "[c]\r\ncurvad3, 800", 25, -1, false, false},
      {"number with letters", gen + "[c]\r\npendenza, 1O00, 3\r\n[fine]\r\n", 25, -1, false, false},
      {"negative route length", "[generale]\r\nlunghezza percorso, -10\r\n[c]\r\n[fine]\r\n", 25, -1,
       false, false},
      {"route length zero", "[generale]\r\nlunghezza percorso, 0\r\n[c]\r\n[fine]\r\n", 25, -1, false, false},
      {"body before any route length", "[generale]\r\n[c]\r\npendenza, 100, 1\r\n[fine]\r\n", 25, -1,
       false, false},
      {"more than 80 text boards", [] {
         std::string corpo;
         for (int i = 0; i < 81; ++i) corpo += "cartello indicatore, " + std::to_string(1000 + 100 * i) + ", T\r\n";
         return line_with(corpo);
       }(), 25, -1, false, false},
      {"more than 80 mountains", [] {
         std::string corpo;
         for (int i = 0; i < 81; ++i)
           corpo += "montagna, " + std::to_string(1000 + 100 * i) + ", " + std::to_string(1050 + 100 * i) + ", 1\r\n";
         return line_with(corpo);
       }(), 25, -1, false, false},
      {"mountain past the last cell", line_with("montagna, 1000, 99999, 1\r\n"), 25, -1, false, false},
      {"curve past the end of the plan", line_with("curvad3, 16000, 2000\r\n"), 25, -1, false, false},
      {"speed board code beyond 16 bits", line_with("indicatori_vmax, 1000, 2000,1,1,0, 0,0,0,0\r\n"), 25,
       -1, false, false},
      {"stripe count x 10 beyond 16 bits, though the code would fit",
       line_with("indicatori_vmax, 1000, 100,100,100,4000, 0,0,0,-10000\r\n"), 25, -1, false, false},
      // The reader's arithmetic is 32-bit, checked at every step.
      {"progressive positions whose first two sum beyond 32 bits",
       gen + "progressiva tre, 2000000000, 0, 0\r\nprogressiva due, 1500000000, 0, 0\r\n"
             "progressiva uno, -2000000000, 0, 0\r\n[c]\r\n[fine]\r\n",
       25, -1, false, false},
      {"position + 100 beyond 32 bits", line_with("pendenza, 2147483600, 3\r\n"), 25, -1, false, false},
      {"gradient + 100 beyond 32 bits", line_with("pendenza, 1000, 2147483600\r\npendenza, 2000, 0\r\n"), 25,
       -1, false, false},
      {"curve end beyond 32 bits, before the plan's limit is reached",
       "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 999000, 2147483000\r\n[fine]\r\n", 25, -1,
       false, false},
      {"gap to the previous mountain beyond 32 bits",
       line_with("montagna, -2147483648, -2147483648, 1\r\nmontagna, 1000, 2000, 1\r\n"), 25, -1, false, false},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    f.linea(c.linea);
    f.treno(treno_vuoto);
    f.m.posizione_errore = -1;
    Modello& m = f.leggi(1);
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;
    EXPECT_EQ(m.posizione_errore, c.posizione) << c.name;
    EXPECT_EQ(f.line_text_left(), c.line_text_left) << c.name;
    EXPECT_EQ(f.train_text_left(), c.train_text_left) << c.name;
  }
}

// A line of no length would be all run-out: refused, and said so on the
// row that gives it.
TEST(LineReader, RouteLengthMustBePositive) {
  for (std::int32_t lunghezza : {0, -1, -6999, -7000}) {
    ScenarioFixture f;
    const std::string testo =
        "[generale]\r\nsfondo uno, 5\r\nlunghezza percorso, " + std::to_string(lunghezza) + "\r\n[c]\r\n[fine]\r\n";
    f.linea(testo);
    f.treno(treno_vuoto);
    Modello& m = f.leggi();
    EXPECT_EQ(m.numero_errore, 25) << lunghezza;
    EXPECT_EQ(m.read_failure, "route length " + std::to_string(lunghezza) + ": must be positive");
    EXPECT_EQ(FieldReader::locate(testo, m.diagnostics.at(m.error_diagnostic).at.offset).line, 3u) << lunghezza;
    EXPECT_TRUE(m.celle.empty()) << lunghezza;
    EXPECT_FALSE(f.line_text_left()) << lunghezza;
    EXPECT_FALSE(f.train_text_left()) << lunghezza;
  }
}

TEST(LineReader, MissingLineDescriptionDeletesNothing) {
  ScenarioFixture f;
  f.treno(treno_vuoto);
  Modello& m = f.leggi();
  EXPECT_EQ(m.numero_errore, 101);
  EXPECT_TRUE(m.celle.empty());
  EXPECT_TRUE(f.train_text_left());
}

TEST(LineReader, ErrorFifteenStillFinishesTheLineAndReadsTheTrain) {
  ScenarioFixture f;
  f.linea(line_with("pendenza, 1000, 3\r\npendenza, 16901, 5\r\npendenza, 2000, 9\r\n"));
  f.treno(train_with("sabbia, 300\r\n"));
  Modello& m = f.leggi();
  EXPECT_EQ(m.numero_errore, 15);
  EXPECT_EQ(m.posizione_errore, 16901);
  // The later record is ignored; the last gradient in force fills the rest.
  EXPECT_EQ(m.celle[19].codice_pendenza, 100);
  EXPECT_EQ(m.celle[20].codice_pendenza, 103);
  EXPECT_EQ(m.celle[337].codice_pendenza, 103);
  EXPECT_EQ(m.celle[338].codice_pendenza, 0);
  EXPECT_EQ(m.tabella_percorso[86].intero1, 300);
}

TEST(LineReader, CurvesAreNotRecognisedWithoutThePlan) {
  ScenarioFixture f;
  f.linea(line_with("curvad, 100, 50\r\n"));  // no class digit: harmless when not building the plan
  f.treno(treno_vuoto);
  Modello& m = f.leggi(0);
  EXPECT_EQ(m.numero_errore, 0);
  EXPECT_FALSE(m.tracciato.esiste());
}

// The reader on a text in memory: `letto` stands where the file reader
// deletes the description. It runs once on every way out but a reading
// failure, and its own failure is not swallowed.
TEST(LineReader, FromMemoryLetsGoOfTheTextOnceOnEveryWayOut) {
  struct Case {
    const char* name;
    std::string linea;
    bool letta;  // returns true: the train description follows
    std::int32_t errore;
  };
  const std::vector<Case> cases = {
      {"whole line", line_with("pendenza, 1000, 3\r\n"), true, 0},
      {"record beyond the cells", line_with("pendenza, 16901, 3\r\n"), true, 15},
      {"no [generale]", "lunghezza percorso, 10000\r\n", false, 102},
      {"curve without class digit", line_with("curvad, 100, 50\r\n"), false, 103},
  };
  for (const Case& c : cases) {
    Modello m;
    m.scrivi_linea = 1;
    std::int32_t cartelli = voce::primo_cartello;
    int letture = 0;
    EXPECT_EQ(read_line_text(m, c.linea, cartelli, [&] { ++letture; }), c.letta) << c.name;
    EXPECT_EQ(letture, 1) << c.name;
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;

    Modello n;
    n.scrivi_linea = 1;
    EXPECT_THROW(read_line_text(n, c.linea, cartelli,
                                [] { throw platform::Failure("delete", "x", "denied"); }),
                 platform::Failure)
        << c.name;
  }

  Modello m;
  m.scrivi_linea = 1;
  std::int32_t cartelli = voce::primo_cartello;
  int letture = 0;
  EXPECT_THROW(read_line_text(m, "[generale]\r\nlunghezza percorso, 10000\r\n[c]\r\ncurvad3, 800",
                              cartelli, [&] { ++letture; }),
               ReadFailure);
  EXPECT_EQ(letture, 0);  // memorizza_dati deletes both texts itself then
}

TEST(LineReader, LastFieldKeywordIsNotInterpreted) {
  ScenarioFixture f;
  f.linea("[generale]\r\nlunghezza percorso, 10000\r\n[c]\r\ncurvad3");
  f.treno(treno_vuoto);
  EXPECT_EQ(f.leggi(1).numero_errore, 0);
}

}  // namespace
