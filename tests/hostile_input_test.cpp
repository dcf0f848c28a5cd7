// What a hostile or unlucky user can do to scenarioc from outside: a report
// that cannot be written after the files are in place, a link that leads
// nowhere under a name texts writes, a text that repeats one mistake on
// every row. POSIX only: the programs run through a POSIX shell, and
// /dev/full stands for a full disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiler/diagnose.h"
#include "in_process.h"
#include "tool/check.h"
#include "tool/diagnostics.h"
#include "tool/json.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::scenarioc;
using testing_support::TempDir;
using testing_support::write_bytes;

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

// The embedded texts with the keyword of the gradient at 7100 m misspelt,
// `rows` times.
void texts_with_misspelt_rows(const fs::path& dir, int rows) {
  ASSERT_EQ(scenarioc({"texts", dir.string()}).status, 0);
  const fs::path line = dir / "Belvara_Quintosa_linea.txt";
  std::string text = read_bytes(line), misspelt;
  for (int i = 0; i < rows; ++i) misspelt += "pendnza,  7100,   4\r\n";
  const std::string row = "pendenza,  7100,   4\r\n";
  text.replace(text.find(row), row.size(), misspelt);
  write_bytes(line, text);
}

// Status 2 says "the folder keeps its old files": a report lost after the
// files were put in place must say something else.
TEST(ReportLost, FilesInPlaceGiveStatus3AndNothingWrittenStays2) {
  TempDir dir;
  texts_with_misspelt_rows(dir.path(), 1);
  const std::string exe = q(SCENARIOC_EXE);
  struct Case {
    std::string command;
    int status;
    const char* file;  // made by the run, or nullptr
  };
  const fs::path picture = dir / "picture.svg", fresh = dir / "fresh";
  const Case cases[] = {
      {exe + " compile " + q(dir.path()) + " 2>/dev/full", 3, "Belvara_Quintosa_254.sim"},
      {exe + " compile --json " + q(dir.path()) + " >/dev/full 2>/dev/null", 3, "Belvara_Quintosa_254.dat"},
      {exe + " texts " + q(fresh) + " >/dev/full", 3, "fresh/Belvara_Quintosa_linea.txt"},
      {exe + " render --out " + q(picture) + " " + q(dir.path()) + " >/dev/full", 3, "picture.svg"},
      // Nothing put in place: 2 as before.
      {exe + " check " + q(dir.path()) + " 2>/dev/full", 2, nullptr},
      {exe + " dump " + q(dir / "Belvara_Quintosa_254.sim") + " >/dev/full", 2, nullptr},
  };
  for (const Case& c : cases) {
    if (c.file) fs::remove_all(dir / c.file);
    EXPECT_EQ(run_command(c.command), c.status) << c.command;
    if (c.file) {
      EXPECT_TRUE(fs::exists(dir / c.file)) << c.command;
    }
  }
}

TEST(TextsNames, ALinkThatLeadsNowhereIsNotReplaced) {
  TempDir dir;
  const fs::path link = dir / "Belvara_Quintosa_254_note.txt";
  fs::create_symlink(dir / "elsewhere" / "notes.txt", link);
  const testing_support::ToolRun r = scenarioc({"texts", dir.str()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Belvara_Quintosa_254_note.txt: error: already exists"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), dir / "elsewhere" / "notes.txt");
  EXPECT_EQ(testing_support::names_in(dir.path()), std::vector<std::string>{"Belvara_Quintosa_254_note.txt"});
}

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

TEST(DiagnosticLimit, OneCodeIsShownUpToTheLimitAndTheRestSummedUp) {
  TempDir dir;
  texts_with_misspelt_rows(dir.path(), 1500);
  const std::string line = (dir / "Belvara_Quintosa_linea.txt").string();
  const testing_support::ToolRun r = scenarioc({"check", dir.str()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(count(r.err, "[-Wunknown-keyword]"), 10u);
  // At the first row left out: the 11th, line 44 + 10.
  EXPECT_NE(r.err.find(line + ":54:1: note: and 1,490 more 'unknown-keyword' warnings "
                              "(--diagnostic-limit 0 shows every one)\n"),
            std::string::npos)
      << r.err;

  struct Case {
    std::vector<std::string> options;
    std::size_t shown;
    std::string summary;  // in the JSON, or "" for none
  };
  const Case cases[] = {
      {{"--diagnostic-limit", "0"}, 1500, ""},
      {{"--diagnostic-limit", "3"}, 3, "\"omitted\": [{\"file\": \"" + line +
                                           "\", \"line\": 47, \"column\": 1, \"severity\": \"warning\", "
                                           "\"code\": \"unknown-keyword\", \"count\": 1497}]"},
      // Left out by -Wno: nothing to sum up either.
      {{"-Wno-unknown-keyword"}, 0, "\"omitted\": []"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"check", "--json"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir.str());
    const testing_support::ToolRun j = scenarioc(args);
    EXPECT_EQ(count(j.out, "\"code\": \"unknown-keyword\", \"message\""), c.shown) << c.options[0];
    if (!c.summary.empty()) {
      EXPECT_NE(j.out.find(c.summary), std::string::npos) << j.out.substr(j.out.size() - 400);
    }
  }
  for (const std::string bad : {"-1", "x", "", "99999999999"})
    EXPECT_EQ(scenarioc({"check", "--diagnostic-limit", bad, dir.str()}).status, 64) << bad;
  EXPECT_EQ(scenarioc({"check", dir.str(), "--diagnostic-limit"}).status, 64);
}

// With every diagnostic shown, the compiler hands them on in batches and
// check and compile write them out as they come: far past a batch, the same
// bytes as when the compiler holds them all, in both shapes, an error among
// them kept once with its remedy.
TEST(DiagnosticLimit, EveryOneShownComesOutAsIfAllWereHeld) {
  TempDir dir;
  const int rows = static_cast<int>(2 * scenario::settle_batch + 123);
  texts_with_misspelt_rows(dir.path(), rows);
  const fs::path train = dir / "Belvara_Quintosa_254-.txt";
  // Error 22 in the train text, after every warning: a station again at
  // the place of the one before it.
  const std::string station = "stazione,   70400, 12,  600,  0, 1, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, ";
  std::string t = read_bytes(train);
  const std::size_t at = t.find(station);
  ASSERT_NE(at, std::string::npos);
  write_bytes(train, t.insert(at, station + "DOPPIA\r\n"));
  const scenario::FileNames names{"Belvara_Quintosa", "254"};
  scenarioc::Sources s;
  ASSERT_FALSE(scenarioc::read_sources(dir.str(), names, s));
  scenarioc::WarningOptions w;
  w.limit = 0;
  // All held: no outlet.
  const scenario::CompileResult held =
      scenarioc::compile_sources(s, {.names = names, .build_plan = false, .diagnostic_limit = 0});
  ASSERT_EQ(held.model.numero_errore, 22);
  const std::string text = scenarioc::as_text(held.model, s, w);
  scenarioc::Json j;
  scenarioc::as_json(j, held.model, s, w);
  const nlohmann::json list = nlohmann::json::parse(j.result());
  ASSERT_EQ(count(text, "[-Wunknown-keyword]"), static_cast<std::size_t>(rows));
  ASSERT_EQ(count(text, ": error "), 1u) << text.substr(text.size() - 2000);

  const testing_support::ToolRun check = scenarioc({"check", "--diagnostic-limit", "0", dir.str()});
  EXPECT_EQ(check.status, 1);
  EXPECT_TRUE(check.err == text) << check.err.size() << " bytes for " << text.size();
  const testing_support::ToolRun check_json =
      scenarioc({"check", "--json", "--diagnostic-limit", "0", dir.str()});
  EXPECT_EQ(nlohmann::json::parse(check_json.out).at("diagnostics"), list);

  const testing_support::ToolRun compile = scenarioc({"compile", "--diagnostic-limit", "0", dir.str()});
  EXPECT_EQ(compile.status, 1);
  EXPECT_TRUE(compile.err.starts_with(text)) << compile.err.substr(text.size() - 1000);
  EXPECT_EQ(compile.err.substr(text.size()), "scenarioc: the compiled files were written in spite of the error\n");
  const testing_support::ToolRun compile_json =
      scenarioc({"compile", "--json", "--diagnostic-limit", "0", dir.str()});
  EXPECT_EQ(compile_json.status, 1);
  EXPECT_EQ(compile_json.err, "");
  const nlohmann::json compiled = nlohmann::json::parse(compile_json.out);
  EXPECT_EQ(compiled.at("diagnostics"), list);
  EXPECT_EQ(compiled.at("files").size(), 3u);
}

}  // namespace
