// scenarioc decompile: compiled files back to texts that compile to the same
// bytes. The round trip is checked here by compiling the recovered texts
// independently of the decompiler's own proof.
#include <gtest/gtest.h>

#include <cstring>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "decompiler/decompile.h"
#include "format/byte_buffer.h"
#include "format/compiled_files_reader.h"
#include "format/compiled_files.h"
#include "in_process.h"
#include "large_scenario.h"
#include "platform/fault_injection.h"
#include "random_scenario.h"
#include "test_support.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"

namespace {

using namespace scenario;
namespace fs = std::filesystem;

const FileNames nomi{"Prova", "12"};

struct Files {
  std::string linea, percorso, celle;
  CompiledBytes bytes(bool con_linea = true) const {
    CompiledBytes b;
    if (con_linea) b.linea = linea;
    b.percorso = percorso;
    b.celle = celle;
    return b;
  }
};

Files compiled(const std::string& linea, const std::string& treno, bool piano = true) {
  TextInMemory l(linea, "linea"), t(treno, "treno");
  const Modello m = scenario::compile({l, t}, {.names = nomi, .read_curves = piano}).model;
  Files f;
  ByteBuffer b;
  serialize_route(m, b);
  f.percorso.assign(reinterpret_cast<const char*>(b.data().data()), b.size());
  b.clear();
  serialize_cells(m, b);
  f.celle.assign(reinterpret_cast<const char*>(b.data().data()), b.size());
  if (piano)
    serialize_plan(m.tracciato, 1 << 20, [&](std::span<const std::uint8_t> s) {
      f.linea.append(reinterpret_cast<const char*>(s.data()), s.size());
    });
  return f;
}

std::string listed(const Decompiled& d) {
  std::string s;
  for (const Difference& x : d.differences)
    s += x.file + " @" + std::to_string(x.offset) + " " + x.field + ": " + x.expected + " / " + x.obtained + "\n";
  if (d.not_compiled) s += *d.not_compiled + "\n";
  return s;
}

// Decompiles `f` and checks both the proof and, independently, the bytes
// the recovered texts compile to.
void expect_round_trip(const Files& f, bool con_linea = true) {
  const Decompiled d = decompile(f.bytes(con_linea), nomi);
  EXPECT_TRUE(d.exact()) << listed(d);
  const Files again = compiled(d.linea, d.treno, con_linea);
  EXPECT_TRUE(again.percorso == f.percorso);
  EXPECT_TRUE(again.celle == f.celle);
  if (con_linea) {
    EXPECT_TRUE(again.linea == f.linea);
  }
}

// A text's records: keyword and values, comment fields, section headers and
// layout left out; several numbers in one field count one by one, an empty
// one as 0.
std::vector<std::vector<std::string>> records(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    const std::string line = text.substr(at, end - at);
    at = end + 2;
    if (line.empty() || line.front() == '[' || line.front() == '-') continue;
    std::vector<std::string> r;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i < line.size() && line[i] != ',') continue;
      std::string field = line.substr(from, i - from);
      from = i + 1;
      field.erase(0, field.find_first_not_of(' '));
      field.erase(field.find_last_not_of(' ') + 1);
      const bool numeric = !r.empty() && field.find_first_not_of("-0123456789 ") == std::string::npos;
      if (numeric && field.empty()) r.push_back("0");
      else if (numeric) {
        for (std::size_t p = 0; p < field.size();) {
          const std::size_t q = std::min(field.find(' ', p), field.size());
          if (q > p) r.push_back(field.substr(p, q - p));
          p = q + 1;
        }
      } else {
        r.push_back(field);
      }
    }
    out.push_back(r);
  }
  return out;
}

TEST(Decompile, EmbeddedScenarioComesBackToItsOwnRows) {
  const std::string linea = joined_lines(righe_linea()), treno = joined_lines(righe_treno());
  const Files f = compiled(linea, treno);
  expect_round_trip(f);

  const Decompiled d = decompile(f.bytes(), nomi);
  EXPECT_EQ(records(d.linea), records(linea));
  // The compiler clears the first station's fifth value (1 in the row): no
  // compiled byte keeps it.
  auto attese = records(treno);
  for (auto& r : attese) {
    if (r[0] == "stazione" && r[1] == "0") r[5] = "0";
  }
  EXPECT_EQ(records(d.treno), attese);
  // One comment line per station, with its km.
  EXPECT_NE(d.treno.find("- VALDORA km 0.000\r\nstazione, 0, 8, 700,"), std::string::npos);
  EXPECT_NE(d.treno.find("- VEDONA CENTRALE km 83.000\r\n"), std::string::npos);
}

TEST(Decompile, WithoutALineFileTheCellsAndRouteComeBack) {
  const Files f = compiled(joined_lines(righe_linea()), joined_lines(righe_treno()), false);
  expect_round_trip(f, false);
  const Decompiled d = decompile(f.bytes(false), nomi);
  EXPECT_EQ(d.linea.find("curva"), std::string::npos);
}

TEST(Decompile, LargestScenarioRoundTrips) {
  const testing_support::LargeScenario s = testing_support::large_scenario();
  expect_round_trip(compiled(s.linea, s.treno));
}

// Rows whose bytes are shaped by what stands around them: points the
// post-processing places beside written ones, mountains close enough to
// become type 3, marks overwritten by a later signal, the first station's
// extension, names that need quotes.
TEST(Decompile, NeighbouringFeaturesRoundTrip) {
  struct Case {
    const char* what;
    std::string linea_corpo, treno;
  };
  const std::string linea = "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n";
  const Case cases[] = {
      {"written point of 180 where a window would mark", "",
       "[generale]\r\nrallentamento, 10000, 60, 500, 1, 1, 0\r\nabbattimento, 9700, 180\r\n"},
      {"written point lowered by a signal's protection", "",
       "[generale]\r\nrallentamento, 10000, 150, 300, 1, 0, 0\r\n"
       "segnale, 8000, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\nabbattimento, 7950, 270\r\n"
       "abbattimento, 7900, 0\r\n"},
      {"mountains 100 m apart and a far one", "montagna, 1000, 2000, 12\r\nmontagna, 2100, 3000, 4\r\n"
       "montagna, 5000, 6000, 15\r\n", "[generale]\r\n"},
      {"mountain of type 7 next to a type-3 run", "montagna, 1000, 2000, 3\r\nmontagna, 5000, 6000, 7\r\n"
       "montagna, 6050, 6500, 1\r\nmontagna, 6600, 7000, 9\r\n", "[generale]\r\n"},
      {"signals closer than their marks", "",
       "[generale]\r\nsegnale, 5000, 1, 4, 0, 0, 0, 1, 2,0,0, 0\r\n"
       "segnale, 5200, 2, 4, 0, 0, 1, 2, 2,0,0, 200\r\nsegnale, 5300, 0, 1, 2, 3, 2, 0, 1,2,3, 0\r\n"},
      {"first station centred and extended", "",
       "[generale]\r\nstazione, 2000, 22, 600, 0, 1, 1, 0,0,0, 0,0,0, 0, 1, 2, 3, \" SPAZIO, VIRGOLA\"\r\n"},
      {"lost board under a stop cell", "cartello indicatore, 1500, NASCOSTO\r\n",
       "[generale]\r\nstazione, 1400, 12, 400, 0, 0, 0, 0,0,0, 0,0,0, 0, 0, 0, 0, X\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_round_trip(compiled(linea + c.linea_corpo + "[fine]\r\n", c.treno + "[fine]\r\n"));
  }
}

// Random scenarios: nearly all come back exactly; any that does not names
// where.
TEST(Decompile, RandomScenariosRoundTrip) {
  constexpr int seeds = 300;
  int exact = 0;
  int boards_under_stops = 0;
  std::string inexact;
  for (int seed = 1; seed <= seeds; ++seed) {
    const testing_support::RandomScenario s = testing_support::random_scenario(static_cast<std::uint64_t>(seed));
    const Files f = compiled(s.linea, s.treno);
    // A stop cell that took a speed board keeps the board's other codes.
    for (const cella& c : read_cells(f.celle))
      boards_under_stops += c.tipo_cella == tipo::fermata && (c.valore_b != 0 || c.valore_d != 0);
    const Decompiled d = decompile(f.bytes(), nomi);
    const Files again = compiled(d.linea, d.treno);
    const bool same = again.percorso == f.percorso && again.celle == f.celle && again.linea == f.linea;
    // The proof agrees with the bytes, and an inexact result names them.
    EXPECT_EQ(d.exact(), same) << "seed " << seed;
    if (same) {
      ++exact;
    } else {
      EXPECT_FALSE(d.differences.empty() && !d.not_compiled) << "seed " << seed;
      inexact += "seed " + std::to_string(seed) + ":\n" + listed(d);
    }
  }
  EXPECT_GE(boards_under_stops, 10);
  EXPECT_EQ(exact, seeds) << inexact;
  if (!inexact.empty()) std::printf("%s", inexact.c_str());
}

// Bytes no text gives back: each is named with its file, offset, field and
// both values, and the closest texts still come back.
TEST(Decompile, DamagedBytesAreNamed) {
  const Files f = compiled(joined_lines(righe_linea()), joined_lines(righe_treno()));
  struct Case {
    const char* what;
    std::string Files::*file;
    std::size_t offset;
    char byte;
    Difference expected;
  };
  // Cell 3 holds nothing but profiles: an approach mark there has no signal.
  std::size_t entry85 = 0;
  {
    const Decompiled d = decompile(f.bytes(), nomi);
    ASSERT_TRUE(d.exact()) << listed(d);
  }
  for (std::size_t e = 0, at = 0; e < 85; ++e) {
    const std::size_t n = static_cast<unsigned char>(f.percorso[at + 14]) |
                          static_cast<std::size_t>(static_cast<unsigned char>(f.percorso[at + 15])) << 8;
    at += 34 + n;
    entry85 = at;
  }
  const Case cases[] = {
      {"approach mark alone", &Files::celle, 3 * 15 + 10, 77,
       {nomi.celle_dat(), 3 * 15 + 10, "cell 3 preavviso", "77", "0"}},
      {"route code", &Files::percorso, entry85 + 30 + nomi.nome_scenario.size(), 0x11,
       {nomi.percorso_sim(), entry85 + 30 + nomi.nome_scenario.size(), "entry 85 dato4", "", ""}},
      {"a plan point nudged", &Files::linea, 4 + 4 + 10 * 5 + 2, 0x01,
       {nomi.linea_dat(), 4 + 4 + 10 * 5, "point 7 coordinate 0", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Files damaged = f;
    (damaged.*c.file)[c.offset] = c.byte;
    const Decompiled d = decompile(damaged.bytes(), nomi);
    ASSERT_FALSE(d.differences.empty());
    const Difference& x = d.differences.front();
    EXPECT_EQ(x.file, c.expected.file);
    EXPECT_EQ(x.offset, c.expected.offset);
    EXPECT_EQ(x.field, c.expected.field);
    if (!c.expected.expected.empty()) {
      EXPECT_EQ(x.expected, c.expected.expected);
    }
    if (!c.expected.obtained.empty()) {
      EXPECT_EQ(x.obtained, c.expected.obtained);
    }
    EXPECT_NE(x.expected, x.obtained);
    EXPECT_FALSE(d.linea.empty());
  }
}

// ---- The command ----

class DecompileCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = tmp.path();
    ASSERT_EQ(testing_support::scenarioc({"texts", (dir / "src").string()}).status, 0);
    ASSERT_EQ(testing_support::scenarioc({"compile", (dir / "src").string()}).status, 0);
    fs::remove(dir / "src" / "Belvara_Quintosa_linea.txt");
    fs::remove(dir / "src" / "Belvara_Quintosa_254-.txt");
  }
  testing_support::TempDir tmp;
  fs::path dir;
};

TEST_F(DecompileCommand, WritesTextsThatCompileToTheSameFiles) {
  const auto r = testing_support::scenarioc({"decompile", "--out", (dir / "out").string(), (dir / "src").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, testing_support::in_dir("{DIR}/Belvara_Quintosa_linea.txt\n{DIR}/Belvara_Quintosa_254-.txt\n",
                                           dir / "out"));
  ASSERT_EQ(testing_support::scenarioc({"compile", (dir / "out").string()}).status, 0);
  for (const char* name : {"Belvara_Quintosa_linea.dat", "Belvara_Quintosa_254.sim", "Belvara_Quintosa_254.dat"})
    EXPECT_TRUE(testing_support::read_bytes(dir / "out" / name) == testing_support::read_bytes(dir / "src" / name))
        << name;
  // Nothing else left behind: no staging folder, no temporary.
  EXPECT_EQ(testing_support::names_in(dir / "out"),
            (std::vector<std::string>{"Belvara_Quintosa_254-.txt", "Belvara_Quintosa_254.dat",
                                      "Belvara_Quintosa_254.sim", "Belvara_Quintosa_linea.dat",
                                      "Belvara_Quintosa_linea.txt"}));
}

TEST_F(DecompileCommand, DamagedFileGivesTextsAndItsDifferences) {
  std::string celle = testing_support::read_bytes(dir / "src" / "Belvara_Quintosa_254.dat");
  celle[3 * 15 + 10] = 77;
  testing_support::write_bytes(dir / "src" / "Belvara_Quintosa_254.dat", celle);
  const auto r = testing_support::scenarioc({"decompile", "--json", (dir / "src").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Belvara_Quintosa_254.dat: offset 55: cell 3 preavviso: expected 77, obtained 0\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("\"exact\": false"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"file\": \"Belvara_Quintosa_254.dat\", \"offset\": 55, \"field\": \"cell 3 preavviso\", "
                       "\"expected\": \"77\", \"obtained\": \"0\"}"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::exists(dir / "src" / "Belvara_Quintosa_linea.txt"));
}

TEST_F(DecompileCommand, NeverReplacesAnEntryAndWritesNothingThen) {
  std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> entries = {
      {"a file", [](const fs::path& p) { testing_support::write_bytes(p, "mine\r\n"); }},
      {"a directory", [](const fs::path& p) { fs::create_directory(p); }},
  };
#if !defined(_WIN32)
  entries.emplace_back("a dangling link", [](const fs::path& p) { fs::create_symlink("nowhere", p); });
#endif
  for (const auto& [what, make] : entries) {
    SCOPED_TRACE(what);
    const fs::path out = dir / (std::string("out_") + what);
    fs::create_directories(out);
    make(out / "Belvara_Quintosa_254-.txt");
    const auto r = testing_support::scenarioc({"decompile", "--out", out.string(), (dir / "src").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out / "Belvara_Quintosa_linea.txt"));
    EXPECT_TRUE(fs::is_symlink(out / "Belvara_Quintosa_254-.txt") || fs::exists(out / "Belvara_Quintosa_254-.txt"));
    EXPECT_EQ(testing_support::names_in(out), std::vector<std::string>{"Belvara_Quintosa_254-.txt"});
  }
}

TEST_F(DecompileCommand, RefusesWhatIsNotACompiledFile) {
  testing_support::write_bytes(dir / "src" / "Belvara_Quintosa_254.sim", "not a route file");
  const auto r = testing_support::scenarioc({"decompile", (dir / "src").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(testing_support::in_dir("{DIR}/Belvara_Quintosa_254.sim: offset ", dir / "src")),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "src" / "Belvara_Quintosa_linea.txt"));
  // The reader's offset, said once.
  const std::size_t first = r.err.find("offset ");
  EXPECT_EQ(r.err.find("offset ", first + 1), std::string::npos) << r.err;
  const auto missing = testing_support::scenarioc({"decompile", (dir / "nowhere").string()});
  EXPECT_EQ(missing.status, 2);
  // A file given as the folder: said so, not "does not exist".
  const auto file = testing_support::scenarioc({"decompile", (dir / "src" / "Belvara_Quintosa_254.dat").string()});
  EXPECT_EQ(file.status, 2);
  EXPECT_NE(file.err.find("is not a directory"), std::string::npos) << file.err;
}

#if !defined(_WIN32)
// A line file that is a link leading nowhere is one that cannot be read, not
// a scenario without one: nothing is written.
TEST_F(DecompileCommand, ADanglingLineFileLinkIsAFileThatCannotBeRead) {
  fs::remove(dir / "src" / "Belvara_Quintosa_linea.dat");
  fs::create_symlink("nowhere.dat", dir / "src" / "Belvara_Quintosa_linea.dat");
  const auto r = testing_support::scenarioc({"decompile", "--json", (dir / "src").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Belvara_Quintosa_linea.dat\": does not exist"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("\"exact\": false"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir / "src" / "Belvara_Quintosa_linea.txt"));
  EXPECT_FALSE(fs::exists(dir / "src" / "Belvara_Quintosa_254-.txt"));
}
#endif

// --out makes its folder (the last component only, as mkdir does) only for
// texts that are written: a failure leaves no folder behind.
TEST_F(DecompileCommand, AFolderMadeForTextsNotWrittenIsRemoved) {
  const fs::path out = dir / "new";
  const auto nested = testing_support::scenarioc({"decompile", "--out", (out / "texts").string(), (dir / "src").string()});
  EXPECT_EQ(nested.status, 2) << nested.err;
  EXPECT_NE(nested.err.find("its parent folder does not exist"), std::string::npos) << nested.err;
  {
    platform::testing::FaultPlan plan;
    plan.fail(platform::testing::Operation::create, 1, platform::testing::Fault::no_space);
    const auto r = testing_support::scenarioc({"decompile", "--out", out.string(), (dir / "src").string()});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("no text written"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir / "new"));
  const auto r = testing_support::scenarioc({"decompile", "--out", out.string(), (dir / "src").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testing_support::names_in(out),
            (std::vector<std::string>{"Belvara_Quintosa_254-.txt", "Belvara_Quintosa_linea.txt"}));
}

}  // namespace
