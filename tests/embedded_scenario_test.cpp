// The embedded scenario compiled end to end in the library: the examples
// that pin its result down.
#include <gtest/gtest.h>

#include "model/errors.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "scenario_fixture.h"
#include "text/scenario_texts.h"

namespace {

using namespace scenario;
using testing_support::read_bytes;
using testing_support::ScenarioFixture;

class EmbeddedScenario : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    f_ = new ScenarioFixture;
    f_->m.nome_scenario = "Belvara_Quintosa";
    f_->m.numero_treno = "254";
    dati_linea(f_->dir.str(), f_->nomi());
    dati_treno(f_->dir.str(), f_->nomi());
    f_->compile_folder(1);
  }
  static void TearDownTestSuite() {
    delete f_;
    f_ = nullptr;
  }
  static const Modello& m() { return f_->m; }
  static const cella& c(int i) { return f_->m.celle[static_cast<std::size_t>(i)]; }
  static ScenarioFixture* f_;
};
ScenarioFixture* EmbeddedScenario::f_ = nullptr;

TEST_F(EmbeddedScenario, CompilesWithoutErrorAndLeavesOnlyTheCompiledFiles) {
  EXPECT_EQ(m().numero_errore, 0);
  EXPECT_EQ(m().lunghezza_totale, 92000);
  EXPECT_EQ(m().ultima_cella, 1840);
  EXPECT_FALSE(f_->line_text_left());
  EXPECT_FALSE(f_->train_text_left());
  EXPECT_EQ(read_bytes(f_->percorso("Belvara_Quintosa_254.dat")).size(), 27615u);
  EXPECT_EQ(read_bytes(f_->percorso("Belvara_Quintosa_linea.dat")).size(), 1839964u);
  const std::size_t testi = 16 + 3 + 7 + 11 + 17 + 6 + 6 + 6 + 6 + 15 + 9 + 9 + 13 + 14 + 8 + 5 + 7 + 16 + 15 + 11 + 15;
  EXPECT_EQ(read_bytes(f_->percorso("Belvara_Quintosa_254.sim")).size(), 87u * 34 + testi);
}

TEST_F(EmbeddedScenario, LineFeatures) {
  for (int i : {0, 19}) EXPECT_EQ(c(i).codice_pendenza, 100) << i;
  for (int i : {20, 141}) EXPECT_EQ(c(i).codice_pendenza, 103) << i;
  for (int i : {1620, 1837}) EXPECT_EQ(c(i).codice_pendenza, 100) << i;
  for (int i : {1838, 1840}) EXPECT_EQ(c(i).codice_pendenza, 0) << i;
  EXPECT_EQ((std::array{c(15).tipo_cella}), (std::array<std::uint8_t, 1>{tipo::indicatore_v_max}));
  EXPECT_EQ((std::array{c(15).valore_a, c(15).valore_b, c(15).valore_c, c(15).valore_d}),
            (std::array<std::int16_t, 4>{2510, 2711, 2911, 0}));
  EXPECT_EQ((std::array{c(1441).valore_a, c(1441).valore_b, c(1441).valore_c, c(1441).valore_d}),
            (std::array<std::int16_t, 4>{2000, 2100, 2100, 20}));
  const auto& p = m().tabella_percorso;
  EXPECT_EQ((std::array{p[81].dato1, p[81].dato2, p[81].dato3}), (std::array{0, 82900, 1}));
  EXPECT_EQ((std::array{p[82].dato2, p[83].dato2}), (std::array{0, 0}));
  EXPECT_EQ(m().tracciato.punti(), 92001u);
}

TEST_F(EmbeddedScenario, TrainProfilesAndHeader) {
  for (int i : {0, 59}) EXPECT_EQ(c(i).vel_limite, 27) << i;
  for (int i : {60, 333}) EXPECT_EQ(c(i).vel_limite, 30) << i;
  for (int i : {1633, 1837}) EXPECT_EQ(c(i).vel_limite, 6) << i;
  for (int i : {1838, 1840}) EXPECT_EQ(c(i).vel_limite, 0) << i;
  EXPECT_EQ(c(18).aderenza, 100);
  EXPECT_EQ(c(19).aderenza, 95);
  const auto& p = m().tabella_percorso;
  EXPECT_EQ((std::array{p[84].dato1, p[84].dato2, p[84].dato3}), (std::array{125, 85000, 16}));
  EXPECT_EQ((std::array{p[86].intero1, p[86].intero3, p[86].intero4, p[86].intero5}),
            (std::array<std::int16_t, 4>{300, 13, 56, 15}));
  EXPECT_EQ((std::array{p[86].dato1, p[86].dato2, p[86].dato3}), (std::array{0, 76800, 4}));
}

TEST_F(EmbeddedScenario, SignalsAndStations) {
  EXPECT_EQ(c(202).tipo_cella, tipo::segnale);
  EXPECT_EQ((std::array{c(202).valore_a, c(202).valore_d}), (std::array<std::int16_t, 2>{42, 8}));
  for (auto [cell, mark] : {std::pair{200, 81}, {198, 82}, {196, 83}, {194, 84}})
    EXPECT_EQ(c(cell).preavviso, mark) << cell;
  EXPECT_EQ(c(85).tempo_segnale, 220);
  EXPECT_EQ(c(85).valore_a, 40);
  EXPECT_EQ(c(13).tipo_cella, tipo::fermata);
  EXPECT_EQ(c(13).valore_a, 1);
  EXPECT_EQ(c(1662).tipo_cella, tipo::fermata);
  EXPECT_EQ(c(1662).valore_a, 19);
  const auto& p = m().tabella_percorso;
  EXPECT_EQ(p[1].testo, "VALDORA");
  EXPECT_EQ(p[1].dato4, 50220);
  EXPECT_EQ(p[1].byte5, 0);
  EXPECT_EQ((std::array{p[3].dato1, p[3].dato2}), (std::array{10900, 11450}));
  EXPECT_EQ(p[19].testo, "VEDONA CENTRALE");
  EXPECT_EQ((std::array{p[19].dato1, p[19].dato2, p[19].dato3}), (std::array{82200, 83150, 83000}));
  EXPECT_EQ(p[19].dato4, 14 * 3600 + 45 * 60);
  EXPECT_EQ(p[20].testo, "");
}

TEST_F(EmbeddedScenario, StampsAndCodes) {
  EXPECT_EQ(m().tabella_percorso[85].intero1, 610);
  EXPECT_EQ(m().tabella_percorso[85].dato4, 33391);
  EXPECT_EQ(c(1).valore_a, 5121);
  EXPECT_EQ(c(1).valore_b, 2455);
}

TEST(Compilation, WithoutCellsNothingIsWritten) {
  ScenarioFixture f;
  f.treno(testing_support::train_with(""));
  f.compile_folder(1);
  EXPECT_EQ(f.status.ending, CompileStatus::Ending::no_cells);
  EXPECT_EQ(f.status.error, 101);
  EXPECT_EQ(f.status.message, "the line description left no track cells to compile (error 101: "
                              "line description file missing)");
  EXPECT_EQ(f.m.numero_errore, 101);
  EXPECT_TRUE(f.train_text_left());
  EXPECT_FALSE(f.esiste(f.nomi().percorso_sim()));
  EXPECT_FALSE(f.esiste(f.nomi().celle_dat()));
}

TEST(Compilation, ScenarioErrorsStillGiveTheFiles) {
  ScenarioFixture f;
  f.linea(testing_support::line_with(""));
  f.treno(testing_support::train_with(
      "stazione, 1000, 12, 600, 0,0,0, 1,1,0, 4,1,1, 1, 13,57,0, UNO\r\n"
      "stazione, 3010, 12, 600, 0,0,0, 1,1,0, 4,1,1, 1, 13,57,0, DUE\r\n"));
  Modello& m = f.compile_folder(0);
  EXPECT_EQ(f.status.ending, CompileStatus::Ending::scenario_error);
  EXPECT_EQ(f.status.error, 8);
  EXPECT_EQ(f.status.position, 3010);
  EXPECT_EQ(m.numero_errore, 8);
  EXPECT_EQ(m.tabella_percorso[1].testo, "UNO");
  EXPECT_TRUE(f.esiste(f.nomi().percorso_sim()));
  EXPECT_TRUE(f.esiste(f.nomi().celle_dat()));
  EXPECT_FALSE(f.esiste(f.nomi().linea_dat()));
}

// A text that cannot be discarded once read (a description file that cannot
// be deleted) stops the compilation with the reason; nothing is to be
// written.
TEST(Compilation, ATextThatCannotBeDiscardedStopsIt) {
  class Undeletable final : public DescriptionText {
   public:
    explicit Undeletable(std::string bytes) : bytes_(std::move(bytes)) {}
    bool exists() const override { return true; }
    std::string read() override { return bytes_; }
    void discard() override { throw std::runtime_error("cannot delete \"linea\": access denied"); }

   private:
    std::string bytes_;
  };
  Undeletable linea(testing_support::line_with("")), treno(testing_support::train_with(""));
  const CompileResult r = compile({linea, treno}, {.names = {"Prova", "7"}, .read_curves = false});
  EXPECT_EQ(r.status.ending, CompileStatus::Ending::unreadable);
  EXPECT_EQ(r.status.message, "cannot delete \"linea\": access denied");
  EXPECT_FALSE(r.status.has_files());
}

// The line is long enough for its file to be begun while the plan is
// computed: that too is gone once the compile ends in a fatal error.
TEST(Compilation, AFeatureInCellOneIsFatal) {
  for (auto [riga, errore] : {std::pair{"segnale, 0, 2,4,0,0,0,0,0,0,0,0\r\n", 1250},
                              {"segnale, 0, 2,0,1,0,0,0,0,0,0,0\r\n", 1251}}) {
    ScenarioFixture f;
    f.linea(testing_support::line_with("", 300000));
    f.treno(testing_support::train_with(riga));
    f.compile_folder(1);
    EXPECT_EQ(f.status.ending, CompileStatus::Ending::fatal) << riga;
    EXPECT_EQ(f.status.error, errore);
    EXPECT_EQ(testing_support::names_in(f.dir.path()), std::vector<std::string>{});
  }
}

// A line file that cannot be created or written, while the plan is computed,
// ends the compile with a failure naming it, and leaves no compiled file.
TEST(Compilation, ALineFileThatCannotBeWrittenLeavesNoCompiledFile) {
  using platform::testing::Operation;
  for (Operation op : {Operation::create, Operation::write}) {
    ScenarioFixture f;
    f.linea(testing_support::line_with("", 300000));
    f.treno(testing_support::train_with(""));
    platform::testing::FaultPlan piano;
    piano.fail(op, 1, platform::testing::Fault::no_space);
    try {
      f.compile_folder(1);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure& e) {
      EXPECT_NE(std::string(e.what()).find(f.nomi().linea_dat()), std::string::npos) << e.what();
    }
    EXPECT_EQ(testing_support::names_in(f.dir.path()), std::vector<std::string>{});
  }
}

}  // namespace
