// The byte layouts of the three compiled files and their replace-whole writing.
#include "format/compiled_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "model/file_names.h"
#include "compiler/compile.h"
#include "compiler/line_features.h"
#include "platform/platform.h"
#include "test_support.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"

namespace {

using namespace scenario;
using testing_support::read_bytes;
using testing_support::TempDir;
using testing_support::write_bytes;

std::uint32_t le(const std::string& b, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

// A model shaped like the embedded one: 1841 cells, and a straight plan of
// 92001 points when `piano`.
Modello modello(bool piano) {
  Modello m;
  m.nome_scenario = "Belvara_Quintosa";
  m.numero_treno = "254";
  m.scrivi_linea = piano ? 1 : 0;
  m.lunghezza_totale = 92000;
  m.ultima_cella = 1840;
  m.celle.assign(1841, cella{});
  m.tabella_percorso[85].testo = "Belvara_Quintosa";
  m.tabella_percorso[85].intero1 = 610;
  m.tabella_percorso[85].dato4 = 33391;
  m.tabella_percorso[86].testo = "254";
  m.tabella_percorso[1] = {8, -700, 700, 0, 0, "", 1, 1, 4, 1, 1, 0, 1, 0, 0, 50220};
  m.celle[1].valore_a = 5121;
  m.celle[1].valore_b = 2455;
  m.celle[202] = {1, 42, -2, 3, 8, 220, 81, 2, 30, 103, 95};
  if (piano) {
    m.tracciato.crea(m.lunghezza_totale);
    seed_plan(m.tracciato);
    for (std::size_t p = 2; p <= 91998; ++p) m.tracciato.set_real_point(p, 0.0, static_cast<double>(p));
  }
  return m;
}

TEST(CompiledFiles, RouteFileLayout) {
  TempDir dir;
  write_compiled_files(modello(false), dir.str());
  const std::string b = read_bytes(dir / "Belvara_Quintosa_254.sim");
  ASSERT_EQ(b.size(), 87u * 34 + 16 + 3);
  // Entry 1 at 34: kind, dato1..3, byte1, empty text, intero1..5, byte2..5, dato4.
  EXPECT_EQ(static_cast<unsigned char>(b[34]), 8);
  EXPECT_EQ(le(b, 35, 4), static_cast<std::uint32_t>(-700));
  EXPECT_EQ(le(b, 39, 4), 700u);
  EXPECT_EQ(le(b, 48, 2), 0u);
  EXPECT_EQ(le(b, 50, 2), 1u);      // intero1
  EXPECT_EQ(le(b, 54, 2), 4u);      // intero3
  EXPECT_EQ(static_cast<unsigned char>(b[61]), 1);  // byte3
  EXPECT_EQ(le(b, 64, 4), 50220u);
  // Entry 85 is 50 bytes, entry 86 37.
  const std::size_t e85 = 85 * 34;
  EXPECT_EQ(le(b, e85 + 14, 2), 16u);
  EXPECT_EQ(b.substr(e85 + 16, 16), "Belvara_Quintosa");
  EXPECT_EQ(le(b, e85 + 32, 2), 610u);
  EXPECT_EQ(le(b, e85 + 46, 4), 33391u);
  const std::size_t e86 = e85 + 50;
  EXPECT_EQ(le(b, e86 + 14, 2), 3u);
  EXPECT_EQ(b.substr(e86 + 16, 3), "254");
  EXPECT_EQ(e86 + 37, b.size());
}

TEST(CompiledFiles, CellFileLayout) {
  TempDir dir;
  write_compiled_files(modello(false), dir.str());
  const std::string b = read_bytes(dir / "Belvara_Quintosa_254.dat");
  ASSERT_EQ(b.size(), 27615u);
  EXPECT_EQ(le(b, 15 + 1, 2), 5121u);
  EXPECT_EQ(le(b, 15 + 3, 2), 2455u);
  const std::string c = b.substr(202 * 15, 15);
  const std::string atteso("\x01\x2a\x00\xfe\xff\x03\x00\x08\x00\xdc\x51\x02\x1e\x67\x5f", 15);
  EXPECT_EQ(c, atteso);
}

TEST(CompiledFiles, LineFileLayoutAndSize) {
  TempDir dir;
  write_compiled_files(modello(true), dir.str());
  const std::string b = read_bytes(dir / "Belvara_Quintosa_linea.dat");
  ASSERT_EQ(b.size(), 1839964u);
  EXPECT_EQ(b.substr(0, 4), std::string("\x02\x00\x00\x00", 4));  // point 0, coordinate 0: integer 0
  // Point 2, coordinate 0 follows the two integers: tag 5 and a double 0.
  EXPECT_EQ(b.substr(8, 10), std::string("\x05\x00\0\0\0\0\0\0\0\0", 10));
  // The last two points of coordinate 0 are empty, then coordinate 1 begins.
  const std::size_t coord1 = b.size() / 2;
  EXPECT_EQ(b.substr(coord1 - 4, 8), std::string("\0\0\0\0\x02\x00\x00\x00", 8));
  // Coordinate 1 of point 2 is the double 2.0.
  double two = 0;
  std::memcpy(&two, b.data() + coord1 + 10, 8);  // little-endian host
  EXPECT_EQ(b.substr(coord1 + 8, 2), std::string("\x05\x00", 2));
  EXPECT_EQ(two, 2.0);
}

TEST(CompiledFiles, ReplacedWholeAndLineFileOnlyWithThePlan) {
  TempDir dir;
  const std::string vecchio(3000000, 'x');
  for (const char* nome : {"Belvara_Quintosa_254.sim", "Belvara_Quintosa_254.dat", "Belvara_Quintosa_linea.dat"})
    write_bytes(dir / nome, vecchio);
  write_compiled_files(modello(false), dir.str());
  EXPECT_EQ(read_bytes(dir / "Belvara_Quintosa_254.sim").size(), 2977u);
  EXPECT_EQ(read_bytes(dir / "Belvara_Quintosa_254.dat").size(), 27615u);
  EXPECT_EQ(read_bytes(dir / "Belvara_Quintosa_linea.dat"), vecchio);  // untouched without the plan
  write_compiled_files(modello(true), dir.str());
  EXPECT_EQ(read_bytes(dir / "Belvara_Quintosa_linea.dat").size(), 1839964u);
}

TEST(CompiledFiles, AFileThatCannotBeCreatedIsAFailureNamingIt) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Belvara_Quintosa_254.sim");
  try {
    write_compiled_files(modello(true), dir.str());
    ADD_FAILURE() << "no failure";
  } catch (const platform::Failure& e) {
    EXPECT_NE(e.path().find("Belvara_Quintosa_254.sim"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Belvara_Quintosa_254.sim"), std::string::npos);
  }
  // The line file, written before, stays; the cell file, after, is not written.
  EXPECT_TRUE(std::filesystem::exists(dir / "Belvara_Quintosa_linea.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Belvara_Quintosa_254.dat"));
}

// The line file begun while the plan is computed: coordinate 0 from the
// start, coordinate 1 where the foreseen size puts it. A first plan is
// reported and partly written, then dropped for a second: the files must
// hold the second plan's bytes exactly as write_compiled_files writes them,
// whether the second plan's size was foreseen right, wrong or not at all.
struct Forecast {
  const char* name;
  std::optional<std::int64_t> reals_off_by;  // none: no forecast
};

void PrintTo(const Forecast& f, std::ostream* os) { *os << f.name; }

class CompiledFilesWriterBegun : public testing::TestWithParam<Forecast> {};

TEST_P(CompiledFilesWriterBegun, HasTheSameBytesAsTheFilesWrittenAfterwards) {
  TempDir dir, altra;
  Modello m = modello(false);
  m.scrivi_linea = 1;
  CompiledFilesWriter scrittura(dir.str(), {m.nome_scenario, m.numero_treno});
  m.tracciato.observe(scrittura.plan_observer());
  auto piano = [&](std::int32_t ultimo, double y, std::optional<std::int64_t> off_by) {
    m.tracciato.crea(ultimo);
    seed_plan(m.tracciato);
    // Points 2 to ultimo - 2 are reals.
    if (off_by) m.tracciato.foresee(2, static_cast<std::size_t>(ultimo - 3 + *off_by));
    Tracciato::Appender a(m.tracciato);
    a.reali(static_cast<std::size_t>(ultimo) - 3, [&] { return std::pair{0.5, y += 1}; });
  };
  piano(400000, 1e6, 0);
  // Until the writer's thread has some of the first plan in the file.
  auto scritto = [&] {
    for (const std::string& nome : testing_support::names_in(dir.path()))
      if (nome.find("linea.dat.tmp") != std::string::npos && std::filesystem::file_size(dir / nome) > 0) return true;
    return false;
  };
  for (int i = 0; i < 2000 && !scritto(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(scritto());
  piano(300000, 0.0, GetParam().reals_off_by);
  m.tracciato.observe(nullptr);
  scrittura.finish(m);

  write_compiled_files(m, altra.str());
  for (const char* nome : {"Belvara_Quintosa_linea.dat", "Belvara_Quintosa_254.sim", "Belvara_Quintosa_254.dat"})
    EXPECT_EQ(read_bytes(dir / nome), read_bytes(altra / nome)) << nome;
  EXPECT_EQ(testing_support::names_in(dir.path()), testing_support::names_in(altra.path()));
}

INSTANTIATE_TEST_SUITE_P(All, CompiledFilesWriterBegun,
                         testing::Values(Forecast{"foreseen_right", 0}, Forecast{"not_foreseen", std::nullopt},
                                         Forecast{"foreseen_short", -20000},
                                         Forecast{"foreseen_long", 1}),
                         [](const testing::TestParamInfo<Forecast>& i) { return std::string(i.param.name); });

// compile() lets the writer go before it returns, so the model may go at
// once, before finish(): a thread still reading a plan whose 20 MB are
// given back to the system would crash here, or show under
// AddressSanitizer. The files are then finished from another model of the
// same texts, and hold its bytes.
TEST(CompiledFilesWriter, NeverReadsTheModelOnceCompileHasReturned) {
  const std::string linea =
      "[generale]\r\nlunghezza percorso, 1000000\r\n[c]\r\ncurvad1, 1000, 400000\r\n[fine]\r\n";
  const std::string treno = joined_lines(righe_treno());
  const FileNames names{"Prova", "7"};
  auto compiled = [&](Tracciato::Observer* o) {
    TextInMemory l(linea, names.linea_txt()), t(treno, names.treno_txt());
    return compile({l, t}, {.names = names, .plan_observer = o});
  };
  for (int run = 0; run < 3; ++run) {
    TempDir dir, other;
    CompiledFilesWriter writer(dir.str(), names);
    ASSERT_TRUE(compiled(writer.plan_observer()).status.has_files());
    const CompileResult again = compiled(nullptr);
    writer.finish(again.model);
    write_compiled_files(again.model, other.str(), names);
    for (const std::string& name : compiled_file_names(names, true))
      EXPECT_EQ(read_bytes(dir / name), read_bytes(other / name)) << name;
  }
}

TEST(Platform, JoinsPathsWithOneSeparator) {
  EXPECT_EQ(platform::join_path("/a/b", "f.txt"), "/a/b/f.txt");
  EXPECT_EQ(platform::join_path("/", "f.txt"), "/f.txt");
}

}  // namespace
