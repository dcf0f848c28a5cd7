// What the line's body records do to the cells and the plan.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <span>
#include <string>

#include "compiler/line_features.h"
#include "format/compiled_files.h"
#include "golden.h"
#include "scenario_fixture.h"

namespace {

using namespace scenario;
using testing_support::line_with;
using testing_support::ScenarioFixture;
using testing_support::sha256_hex;
using testing_support::train_with;

Modello& leggi_corpo(ScenarioFixture& f, const std::string& corpo, std::int32_t j = 0) {
  f.linea(line_with(corpo));
  f.treno(train_with(""));
  return f.leggi(j);
}

TEST(Plan, StraightLineAndTheFirstCurvePoint) {
  ScenarioFixture f;
  Modello& m = leggi_corpo(f, "", 1);
  const Tracciato& t = m.tracciato;
  ASSERT_EQ(t.punti(), 17001u);
  EXPECT_EQ(t.tipo(0, 0), Tracciato::Tipo::intero);
  EXPECT_EQ(t.tipo(1, 1), Tracciato::Tipo::intero);
  EXPECT_EQ(t.valore(1, 1), 1.0);
  for (std::size_t i : {2u, 500u, 16998u}) {
    EXPECT_EQ(t.tipo(i, 0), Tracciato::Tipo::reale);
    EXPECT_EQ(t.valore(i, 0), 0.0);
    EXPECT_EQ(t.valore(i, 1), static_cast<double>(i));
  }
  EXPECT_EQ(t.tipo(16999, 0), Tracciato::Tipo::vuoto);
  EXPECT_EQ(t.tipo(17000, 1), Tracciato::Tipo::vuoto);

  for (auto [parola, x] : {std::pair{"curvad3", 0.0004}, {"curvas3", -0.0004}, {"curvaS12", -0.0001}}) {
    ScenarioFixture g;
    const Tracciato& c = leggi_corpo(g, std::string(parola) + ", 1000, 300\r\n", 1).tracciato;
    EXPECT_EQ(c.valore(1000, 0), 0.0) << parola;
    EXPECT_EQ(c.valore(1000, 1), 1000.0) << parola;
    EXPECT_EQ(c.valore(1001, 0), x) << parola;
    EXPECT_EQ(c.valore(1001, 1), 1001.0) << parola;
  }
}

TEST(Plan, CurvePointsBitForBit) {
  ScenarioFixture f;
  const Tracciato& t = leggi_corpo(f, "curvad5, 100, 400\r\ncurvas6, 300, 300\r\n", 1).tracciato;
  // The second curve starts behind the cursor, so it has no straight part
  // and bends only points 501 to 600. Known values, not a recomputation: the
  // same arithmetic here would share any fault of the compiler's.
  struct Point {
    std::size_t i;
    double x, y;
  };
  const Point known[] = {
      {100, 0x0p+0, 0x1.9p+6},  // the last straight point
      {101, 0x1.0624dd2f1a9fcp-9, 0x1.94p+6},
      {102, 0x1.89374bc6a7efap-8, 0x1.97fffef39085fp+6},
      {103, 0x1.89373a989c073p-7, 0x1.9bfffbce4217dp+6},
      {300, 0x1.3d65d5bd91e14p+5, 0x1.26b55026370ffp+8},
      {500, 0x1.302bb95236e66p+7, 0x1.caa978864671ap+8},
      {501, 0x1.319a3b987a5abp+7, 0x1.cb5c85a368bb6p+8},
      {502, 0x1.3307aad8ef445p+7, 0x1.cc101f7dd51afp+8},
      {600, 0x1.a8a37382d84a3p+7, 0x1.0d128b7bc345p+9},
      {601, 0x1.a999395aa4f03p+7, 0x1.0d830414615fbp+9},
      {16998, 0x1.f93c51c3cc4afp+12, 0x1.d315f4b5b24a8p+13},  // the last computed point
  };
  for (const Point& p : known) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(t.valore(p.i, 0)), std::bit_cast<std::uint64_t>(p.x)) << p.i;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(t.valore(p.i, 1)), std::bit_cast<std::uint64_t>(p.y)) << p.i;
  }
  // Every other point, through the compiled line file's bytes.
  std::string bytes;
  serialize_plan(t, 4096, [&](std::span<const std::uint8_t> s) {
    bytes.append(reinterpret_cast<const char*>(s.data()), s.size());
  });
  EXPECT_EQ(sha256_hex(bytes), "fb2be2fc03d45d0282252be520cac7a4f2ab997c15ab15a8bebb8b35ed98fbf4");
}

// Where a curve stops the plan, the points after it stay empty: the step
// before the check that stops it is laid, the one after is not.
TEST(Plan, ACurveThatStopsTheReadingEndsThePlanThere) {
  struct Case {
    const char* name;
    std::string linea;
    std::int32_t errore;
    std::size_t ultimo_reale;
  };
  const std::vector<Case> cases = {
      {"past point 1000000 (error 103)",
       "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 999000, 5000\r\n[fine]\r\n", 103,
       1000000},
      {"past the end of the plan (error 25)", line_with("curvad3, 16000, 2000\r\n"), 25, 17000},
      {"a straight line, laid to two points before the end", line_with(""), 0, 16998},
  };
  for (const Case& c : cases) {
    ScenarioFixture f;
    f.linea(c.linea);
    f.treno(train_with(""));
    const Modello& m = f.leggi(1);
    EXPECT_EQ(m.numero_errore, c.errore) << c.name;
    const Tracciato& t = m.tracciato;
    EXPECT_EQ(t.tipo(c.ultimo_reale), Tracciato::Tipo::reale) << c.name;
    for (std::size_t p = c.ultimo_reale + 1; p < t.punti(); ++p)
      ASSERT_EQ(t.tipo(p), Tracciato::Tipo::vuoto) << c.name << ", point " << p;
  }
}

TEST(Gradients, CellsCarryTheGradientPlus100) {
  ScenarioFixture f;
  Modello& m = leggi_corpo(f, "pendenza, 1000, 3\r\npendenza, 7100, 4\r\npendenza, 7110, -2\r\n"
                              "pendenza, 9000, 0\r\n");
  EXPECT_EQ(m.celle[0].codice_pendenza, 100);
  EXPECT_EQ(m.celle[19].codice_pendenza, 100);
  EXPECT_EQ(m.celle[20].codice_pendenza, 103);
  EXPECT_EQ(m.celle[141].codice_pendenza, 103);
  // 7110 rounds to the same cell as 7100: one more cell with the old gradient.
  EXPECT_EQ(m.celle[142].codice_pendenza, 104);
  EXPECT_EQ(m.celle[143].codice_pendenza, 98);
  EXPECT_EQ(m.celle[179].codice_pendenza, 98);
  EXPECT_EQ(m.celle[180].codice_pendenza, 100);
  EXPECT_EQ(m.celle[337].codice_pendenza, 100);
  EXPECT_EQ(m.celle[338].codice_pendenza, 0);  // the last three cells stay 0
  EXPECT_EQ(m.celle[340].codice_pendenza, 0);
}

// Every row writes at least one cell, so rows crowded at the end push the
// cursor on by one each. On a 3000 m line (last cell 200) the first row at
// 9900 (cell 198) leaves the cursor at 198: after three rows the finishing
// writes cell 200; after four it would write cell 201, and a fifth row would
// itself. Both are a reading failure, not a silent stop, and the train
// description is then not read.
TEST(Gradients, RowsThatPushTheCursorPastTheLastCellFail) {
  for (auto [righe, errore] : {std::pair{3, 0}, {4, 25}, {5, 25}}) {
    std::string corpo;
    for (int i = 0; i < righe; ++i) corpo += "pendenza, 9900, 1\r\n";
    const std::string testo = line_with(corpo, 3000);
    ScenarioFixture f;
    f.linea(testo);
    f.treno(train_with("sabbia, 300\r\n"));
    Modello& m = f.leggi();
    EXPECT_EQ(m.numero_errore, errore) << righe;
    ASSERT_EQ(m.celle.size(), 201u);
    EXPECT_EQ(m.celle[200].codice_pendenza, 101) << righe;
    EXPECT_EQ(m.tabella_percorso[86].intero1, errore == 0 ? 300 : 0) << righe;
    EXPECT_FALSE(f.train_text_left()) << righe;
    if (errore != 0) {
      EXPECT_NE(m.read_failure.find("pushed the gradient cursor beyond the last cell"), std::string::npos)
          << m.read_failure;
      // Shown on the last gradient row: the one that wrote, or the one whose
      // value the finishing wrote.
      EXPECT_EQ(FieldReader::locate(testo, m.diagnostics.at(m.error_diagnostic).at.offset).line, static_cast<std::size_t>(righe + 3)) << righe;
    }
  }
}

TEST(Mountains, SpanMarkersAndTheType3Rule) {
  ScenarioFixture f;
  Modello& m = leggi_corpo(f,
                           "indicatori_vmax, 1100, 100,100,100,0, 0,0,0,0\r\n"  // cell 23
                           "montagna, 1000, 2000, 12\r\n"
                           "montagna, 2150, 2500, 5\r\n"    // 150 m after: type 3
                           "montagna, 2651, 3000, 15\r\n");  // 151 m after: keeps 5
  for (int i = 20; i <= 39; ++i) EXPECT_EQ(m.celle[static_cast<std::size_t>(i)].codice_montagna, 2) << i;
  EXPECT_EQ(m.celle[23].tipo_cella, tipo::indicatore_v_max);  // a marker never overwrites
  for (int i : {27, 31, 35, 39}) EXPECT_EQ(m.celle[static_cast<std::size_t>(i)].tipo_cella, tipo::marcatore_montagna) << i;
  EXPECT_EQ(m.celle[24].tipo_cella, tipo::vuota);
  EXPECT_EQ(m.celle[43].codice_montagna, 3);
  EXPECT_EQ(m.celle[53].codice_montagna, 5);
  EXPECT_EQ(m.num_montagne, 3);
}

TEST(Boards, SpeedAndTextBoards) {
  ScenarioFixture f;
  Modello& m = leggi_corpo(f,
                           "montagna, 600, 1000, 11\r\n"  // markers in cells 15 and 19
                           "indicatori_vmax,  700,  125,  135,  145,  0,  50,  55,  55,  0\r\n"
                           "indicatori_vmax,  7200,  100,  105,  105,  2,  ,  ,  ,  0\r\n"
                           "cartello indicatore, 2000, RALLENTARE\r\n"
                           "Cartello Indicativo, 2500, \"FINE, ZONA\"\r\n");
  ASSERT_EQ(m.numero_errore, 0);
  const cella& a = m.celle[15];
  EXPECT_EQ(a.tipo_cella, tipo::indicatore_v_max);  // replaces the marker
  EXPECT_EQ(a.valore_a, 2510);
  EXPECT_EQ(a.valore_b, 2711);
  EXPECT_EQ(a.valore_c, 2911);
  EXPECT_EQ(a.valore_d, 0);
  const cella& b = m.celle[145];
  EXPECT_EQ(b.valore_a, 2000);
  EXPECT_EQ(b.valore_b, 2100);
  EXPECT_EQ(b.valore_c, 2100);
  EXPECT_EQ(b.valore_d, 20);
  EXPECT_EQ(m.celle[41].tipo_cella, tipo::cartello);
  EXPECT_EQ(m.celle[41].valore_a, 80);
  EXPECT_EQ(m.celle[51].valore_a, 79);
  EXPECT_EQ(m.tabella_percorso[80].testo, "RALLENTARE");
  EXPECT_EQ(m.tabella_percorso[79].testo, "FINE, ZONA");
}

TEST(Progressives, OrderedByPositionOrByProgressive) {
  struct Case {
    const char* name;
    std::array<std::array<std::int32_t, 3>, 3> letti;     // three, two, one as read
    std::array<std::array<std::int32_t, 3>, 3> ordinati;  // entries 81, 82, 83
  };
  const std::vector<Case> cases = {
      {"embedded", {{{0, 0, 0}, {0, 0, 0}, {0, 82800, 1}}}, {{{0, 82900, 1}, {0, 0, 0}, {0, 0, 0}}}},
      {"greatest position first", {{{20000, 1, 0}, {5000, 2, 0}, {0, 3, 0}}},
       {{{20000, 1, 0}, {5000, 2, 0}, {0, 3, 0}}}},
      {"reversed", {{{0, 3, 0}, {5000, 2, 0}, {20000, 1, 1}}}, {{{20000, 101, 1}, {5000, 2, 0}, {0, 3, 0}}}},
      {"shared greatest position: all zero", {{{5000, 1, 1}, {5000, 2, 1}, {0, 3, 1}}},
       {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {"positions zero: the last positive progressive wins", {{{0, 10, 0}, {0, 20, 0}, {0, 0, 0}}},
       {{{0, 20, 0}, {0, 10, 0}, {0, 0, 0}}}},
  };
  for (const Case& c : cases) {
    Modello m;
    for (int k = 0; k < 3; ++k) {
      auto& v = m.tabella_percorso[static_cast<std::size_t>(81 + k)];
      v.dato1 = c.letti[static_cast<std::size_t>(k)][0];
      v.dato2 = c.letti[static_cast<std::size_t>(k)][1];
      v.dato3 = c.letti[static_cast<std::size_t>(k)][2];
    }
    progressive_ordina(m);
    for (int k = 0; k < 3; ++k) {
      const auto& v = m.tabella_percorso[static_cast<std::size_t>(81 + k)];
      EXPECT_EQ((std::array{v.dato1, v.dato2, v.dato3}), c.ordinati[static_cast<std::size_t>(k)])
          << c.name << " entry " << 81 + k;
    }
  }
}

}  // namespace
