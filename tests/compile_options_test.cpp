// Reading curves and computing the plan are two options: without the plan,
// curves are records all the same, and every diagnostic, the error state and
// the other two files come out as they do with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "tool/check.h"
#include "random_scenario.h"

namespace {

using namespace scenario;

struct Texts {
  std::string name;
  std::string linea;
  std::string treno;
};

CompileResult compiled(const Texts& t, bool build_plan) {
  TextInMemory l(t.linea, "Prova_linea.txt"), r(t.treno, "Prova_7-.txt");
  return compile({l, r}, {.names = {"Prova", "7"}, .build_plan = build_plan});
}

std::string bytes_of(void (*serialize)(const Modello&, ByteBuffer&), const Modello& m) {
  ByteBuffer b;
  serialize(m, b);
  return {reinterpret_cast<const char*>(b.data().data()), b.size()};
}

// Everything a front end shows of a diagnostic.
std::string shown(const Diagnostic& d) {
  std::string s = d.code + "|" + std::to_string(static_cast<int>(d.at.text)) + ":" +
                  std::to_string(d.at.offset) + "+" + std::to_string(d.at.length) + "|" + d.message;
  for (const DiagnosticNote& n : d.notes) s += "|note " + std::to_string(n.at.offset) + " " + n.message;
  return s;
}
std::vector<std::string> shown(const Modello& m) {
  std::vector<std::string> out;
  for (const Diagnostic& d : m.diagnostics) out.push_back(shown(d));
  return out;
}

std::vector<Texts> cases() {
  const std::string gen = "[generale]\r\nlunghezza percorso, 15000\r\n[c]\r\n";
  const std::string treno = "[generale]\r\nnumero vetture, 5\r\n[fine]\r\n";
  std::vector<Texts> c = {
      {"embedded", joined_lines(righe_linea()), joined_lines(righe_treno())},
      {"curves out of order", gen + "curvad3, 5000, 400\r\ncurvas2, 3000, 300\r\ncurvad1, 5200, 100\r\n[fine]\r\n", treno},
      {"curve without class (103)", gen + "curvad, 100, 50\r\n[fine]\r\n", treno},
      {"curve beyond point 1000000 (103)",
       "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 999000, 5000\r\n[fine]\r\n", treno},
      {"curve past the end of the plan (25)", gen + "curvad3, 16000, 30000\r\n[fine]\r\n", treno},
      {"curve end beyond 32 bits (25)",
       "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 999000, 2147483000\r\n[fine]\r\n", treno},
      {"curve cut off by the end of the text (25)", gen + "curvad3, 800", treno},
      {"curve beyond the cells (15)", gen + "curvas4, 30000, 100\r\n[fine]\r\n", treno},
  };
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    const testing_support::RandomScenario r = testing_support::random_scenario(seed);
    c.push_back({"random " + std::to_string(seed), r.linea, r.treno});
  }
  return c;
}

TEST(CompileOptions, WithoutThePlanOnlyThePlanIsMissing) {
  for (const Texts& t : cases()) {
    SCOPED_TRACE(t.name);
    const CompileResult with = compiled(t, true);
    const CompileResult without = compiled(t, false);
    EXPECT_EQ(without.status.ending, with.status.ending);
    EXPECT_EQ(without.status.error, with.status.error);
    EXPECT_EQ(without.status.message, with.status.message);
    EXPECT_EQ(without.model.numero_errore, with.model.numero_errore);
    EXPECT_EQ(without.model.posizione_errore, with.model.posizione_errore);
    EXPECT_EQ(shown(without.model), shown(with.model));
    EXPECT_EQ(bytes_of(serialize_route, without.model), bytes_of(serialize_route, with.model));
    EXPECT_EQ(bytes_of(serialize_cells, without.model), bytes_of(serialize_cells, with.model));
    EXPECT_FALSE(without.model.tracciato.esiste());
    EXPECT_EQ(with.model.tracciato.esiste(), !with.model.celle.empty());
  }
}

// The embedded scenario has curves: its check reads them, and finds no
// error, without computing a point.
TEST(CompileOptions, CheckComputesNoPlan) {
  scenarioc::Sources s;
  s.linea.testo = joined_lines(righe_linea());
  s.treno.testo = joined_lines(righe_treno());
  const scenarioc::CheckResult r = scenarioc::check_sources(s, {"Belvara_Quintosa", "254"}, {}, false);
  EXPECT_EQ(r.compiled.model.numero_errore, 0);
  EXPECT_EQ(r.compiled.model.scrivi_linea, 1);
  EXPECT_FALSE(r.compiled.model.tracciato.esiste());
}

// A model without its plan has no compiled line file to give: writing one
// is refused rather than left empty.
TEST(CompileOptions, AModelWithoutItsPlanWritesNoLineFile) {
  const CompileResult r = compiled(cases()[0], false);
  EXPECT_THROW(write_compiled_files(r.model, "."), std::logic_error);
}

}  // namespace
