// scenarioc as authors and scripts use it, run in-process: compiling the
// embedded texts gives the one-shot program's files, errors are placed in
// the author's text, compiled files are dumped and damaged ones refused, and
// wrong command lines are told apart by their exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "golden.h"
#include "in_process.h"
#include "model/version.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::in_dir;
using testing_support::one_shot_files;
using testing_support::read_bytes;
using testing_support::scenarioc;
using testing_support::TempDir;
using testing_support::ToolRun;
using testing_support::write_bytes;

const std::string line_txt = "Belvara_Quintosa_linea.txt";
const std::string train_txt = "Belvara_Quintosa_254-.txt";
const std::vector<std::string> compiled = {"Belvara_Quintosa_linea.dat", "Belvara_Quintosa_254.sim",
                                           "Belvara_Quintosa_254.dat"};

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> c;
  for (const std::string& n : names_in(dir)) c[n] = read_bytes(dir / n);
  return c;
}

// A directory holding the texts that `scenarioc texts` writes.
void write_texts(const fs::path& dir) {
  const ToolRun r = scenarioc({"texts", dir.string()});
  ASSERT_EQ(r.status, 0) << r.err;
}

std::string replace(std::string s, const std::string& from, const std::string& to) {
  const std::size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

// Every --json object ends with the version of scenarioc that wrote it.
const std::string version_json = ", \"version\": \"" + std::string(scenario::version) + "\"}\n";

// A path as a JSON string holds it.
std::string json_escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

TEST(ScenariocCompile, EmbeddedTextsGiveTheOneShotFilesAndStayUntouched) {
  TempDir tmp, dir;
  const fs::path src = dir / "src";
  write_texts(src);
  const auto sources = contents(src);
  EXPECT_EQ(sources.size(), 5u);
  // The one-shot program's texts and files, pinned by the golden digests.
  const auto golden = testing_support::golden_digests("embedded.sha256");
  for (const auto& [name, bytes] : sources)
    EXPECT_EQ(testing_support::sha256_hex(bytes), golden.at(name)) << name;

  const ToolRun r = scenarioc({"compile", src.string()}, tmp.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  for (const std::string& n : compiled)
    EXPECT_EQ(testing_support::sha256_hex(read_bytes(src / n)), golden.at(n)) << n;
  auto after = contents(src);
  for (const std::string& n : compiled) after.erase(n);
  EXPECT_EQ(after, sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // Without the plan, elsewhere, for a script: two files, the same bytes,
  // and an earlier compiled line file in DIR is left alone.
  const fs::path out = dir / "out";
  fs::create_directory(out);
  write_bytes(out / "Belvara_Quintosa_linea.dat", "earlier");
  write_bytes(out / "Belvara_Quintosa_254.sim", std::string(5000, 'x'));
  const ToolRun j =
      scenarioc({"compile", "--no-plan", "--out", out.string(), "--json", src.string()}, tmp.path());
  EXPECT_EQ(j.status, 0);
  EXPECT_EQ(j.out,
            "{\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": null, \"failure\": null, "
            "\"files\": [\"Belvara_Quintosa_254.sim\", \"Belvara_Quintosa_254.dat\"]" +
                version_json);
  EXPECT_EQ(read_bytes(out / "Belvara_Quintosa_linea.dat"), "earlier");
  for (const std::string& n : {compiled[1], compiled[2]})
    EXPECT_EQ(read_bytes(out / n), one_shot_files().at(n)) << n;
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, ScenarioNameAndTrainNumberNameEveryFile) {
  TempDir tmp, dir;
  write_texts(dir.path());
  fs::rename(dir / line_txt, dir / "Nuova_linea.txt");
  fs::rename(dir / train_txt, dir / "Nuova_9-.txt");
  const ToolRun r =
      scenarioc({"compile", "--json", "--scenario", "Nuova", "--train", "9", dir.str()}, tmp.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"files\": [\"Nuova_linea.dat\", \"Nuova_9.sim\", \"Nuova_9.dat\"]"),
            std::string::npos)
      << r.out;
  const ToolRun d = scenarioc({"dump", (dir / "Nuova_9.sim").string()});
  EXPECT_NE(d.out.find("scenario \"Nuova\", train \"9\", format mark 610"), std::string::npos)
      << d.out;
}

struct ScenarioError {
  const char* name;
  std::string file;  // the text to change
  std::string from, to;
  std::int32_t number, position;
  std::string expected_err;      // {DIR}/ stands for the source directory
  std::string failure = "null";  // as JSON
};

void PrintTo(const ScenarioError& c, std::ostream* os) { *os << c.name; }

class ScenariocErrors : public testing::TestWithParam<ScenarioError> {};

TEST_P(ScenariocErrors, ArePlacedInTheAuthorsText) {
  const ScenarioError& c = GetParam();
  TempDir tmp, dir;
  write_texts(dir.path());
  write_bytes(dir / c.file, replace(read_bytes(dir / c.file), c.from, c.to));
  const auto sources = contents(dir.path());

  const ToolRun r = scenarioc({"compile", "--json", dir.str()}, tmp.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, in_dir(c.expected_err, dir.path()));
  EXPECT_EQ(r.out, "{\"numero_errore\": " + std::to_string(c.number) +
                       ", \"posizione_errore\": " + std::to_string(c.position) +
                       ", \"fatal\": null, \"failure\": " + c.failure + ", \"files\": "
                       "[\"Belvara_Quintosa_linea.dat\", \"Belvara_Quintosa_254.sim\", "
                       "\"Belvara_Quintosa_254.dat\"]" + version_json);
  // The files are written in spite of the error; the sources stay as they were.
  auto after = contents(dir.path());
  for (const std::string& n : compiled) EXPECT_EQ(after.erase(n), 1u) << n;
  EXPECT_EQ(after, sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

const std::string written_anyway = "scenarioc: the compiled files were written in spite of the error\n";

INSTANTIATE_TEST_SUITE_P(
    All, ScenariocErrors,
    testing::Values(
        ScenarioError{
            "signal_on_a_station_stop_cell", train_txt, "segnale,    1650,", "segnale,     600,",
            16, 600,
            "{DIR}/Belvara_Quintosa_254-.txt:47: error 16: signal on a cell that is already in use "
            "(position 600 m)\n"
            "segnale,     600,   2, 3, 0,  0, 0,    0,  0,0,0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:47: note: track cell 13 (600 to 650 m) already holds "
            "the stop cell of station VALDORA\n"
            "{DIR}/Belvara_Quintosa_254-.txt:47: note: move the signal to a position whose 50 m "
            "cell holds no other feature\n" +
                written_anyway},
        ScenarioError{
            "signal_on_another_signal", train_txt, "segnale,   10050,", "segnale,    8600,", 16,
            8600,
            "{DIR}/Belvara_Quintosa_254-.txt:52: error 16: signal on a cell that is already in use "
            "(position 8600 m)\n"
            "segnale,    8600,   2, 4, 0,  0, 0,    2,  2,0,0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:52: note: track cell 173 (8600 to 8650 m) already "
            "holds a signal\n"
            "{DIR}/Belvara_Quintosa_254-.txt:52: note: move the signal to a position whose 50 m "
            "cell holds no other feature\n" +
                written_anyway},
        ScenarioError{
            // The slowdown's start cell is found again from its own row.
            "slowdown_start_on_a_signal", train_txt, "[codici]",
            "  rallentamento, 20300, 60, 500, 0, 1, 0\r\n[codici]", 18, 20300,
            "{DIR}/Belvara_Quintosa_254-.txt:92: error 18: slowdown start cell is already in use "
            "(position 20300 m)\n"
            "  rallentamento, 20300, 60, 500, 0, 1, 0\n"
            "  ^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:92: note: track cell 407 (20300 to 20350 m) already "
            "holds a signal\n"
            "{DIR}/Belvara_Quintosa_254-.txt:92: note: move the slowdown or the feature on its "
            "start cell\n" +
                written_anyway},
        ScenarioError{
            // The caret goes under the field the reader refused.
            "unreadable_number", line_txt, "pendenza,  7100,   4", "pendenza,  7100,   4x", 25, 0,
            "{DIR}/Belvara_Quintosa_linea.txt:44: error 25: the description could not be read: "
            "\"4x\" is not a whole number\n"
            "pendenza,  7100,   4x\n"
            "                   ^\n"
            "{DIR}/Belvara_Quintosa_linea.txt:44: note: check the record named in the message: a "
            "missing or malformed value\n" +
                written_anyway,
            "\"\\\"4x\\\" is not a whole number\""},
        ScenarioError{
            // Post-processing knows cells, not rows: no line, but the cells.
            "no_cell_before_a_signal_ahead_of_a_warning_board", train_txt, "[rallentamenti]\r\n",
            "[rallentamenti]\r\nrallentamento, 20000, 120, 500, 0, 1, 0\r\n"
            "segnale, 18450, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n"
            "segnale, 18400, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n"
            "segnale, 18350, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n",
            11, 18500,
            "{DIR}/Belvara_Quintosa_254-.txt: error 11: no free cell for the point before a signal "
            "ahead of a slowdown warning board (position 18500 m)\n"
            "{DIR}/Belvara_Quintosa_254-.txt: note: track cells 368 to 369 (18350 to 18450 m) "
            "hold: a signal; a signal\n"
            "{DIR}/Belvara_Quintosa_254-.txt: note: move the signal or the slowdown so that a cell "
            "before the signal is free\n" +
                written_anyway}),
    [](const testing::TestParamInfo<ScenarioError>& i) { return std::string(i.param.name); });

TEST(ScenariocCompile, NoCompiledFileWhenTheRunCannotFinish) {
  TempDir tmp, dir;
  write_texts(dir.path());
  const auto sources = contents(dir.path());

  // A signal in track cell 1 clashes with the format mark stamped there.
  write_bytes(dir / train_txt, replace(read_bytes(dir / train_txt), "segnale,    1650,",
                                       "segnale,       0,"));
  const ToolRun fatal = scenarioc({"compile", "--json", dir.str()}, tmp.path());
  EXPECT_EQ(fatal.status, 2);
  EXPECT_EQ(fatal.out,
            "{\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": 1250, \"failure\": null, "
            "\"files\": []" + version_json);
  EXPECT_EQ(fatal.err,
            "scenarioc: error 1250: a format-mark header slot is already set\n"
            "scenarioc: note: track cell 1 (0 to 50 m) holds a signal\n"
            "scenarioc: note: keep features out of track cell 1 (the first 50 m of the line)\n"
            "scenarioc: no compiled file was written\n");
  EXPECT_EQ(names_in(dir.path()).size(), 5u);
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // No line description: nothing to compile.
  TempDir empty;
  const ToolRun none = scenarioc({"compile", "--json", empty.str()}, tmp.path());
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.out.find("{\"numero_errore\": 101,"), std::string::npos) << none.out;
  EXPECT_NE(none.out.find("\"files\": [], "), std::string::npos) << none.out;
  EXPECT_EQ(none.err.rfind(in_dir("{DIR}/" + line_txt + ": error 101: ", empty.path()), 0), 0u)
      << none.err;
  EXPECT_TRUE(fs::is_empty(empty.path()));

  // An output directory that does not exist, and one where a compiled file
  // cannot go: exit 2, and the sources untouched.
  write_bytes(dir / train_txt, sources.at(train_txt));
  const ToolRun missing =
      scenarioc({"compile", "--out", (dir / "nowhere").string(), dir.str()}, tmp.path());
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("nowhere"), std::string::npos) << missing.err;
  TempDir out;
  fs::create_directory(out / "Belvara_Quintosa_254.sim");
  const ToolRun blocked = scenarioc({"compile", "--json", "--out", out.str(), dir.str()}, tmp.path());
  EXPECT_EQ(blocked.status, 2);
  EXPECT_NE(blocked.out.find("\"files\": [\"Belvara_Quintosa_linea.dat\"], "), std::string::npos)
      << blocked.out;
  EXPECT_NE(blocked.err.find("Belvara_Quintosa_254.sim"), std::string::npos) << blocked.err;
  EXPECT_EQ(contents(dir.path()), sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, AMissingTrainTextIsNamedByItsSourcePath) {
  TempDir tmp, dir;
  write_texts(dir.path());
  fs::remove(dir / train_txt);
  const ToolRun r = scenarioc({"compile", "--json", dir.str()}, tmp.path());
  EXPECT_EQ(r.status, 1);
  const std::string source = in_dir("{DIR}/" + train_txt, dir.path());
  EXPECT_EQ(r.err.rfind(source + ": error 25: the description could not be read: cannot open \"" +
                            source + "\"",
                        0),
            0u)
      << r.err;
  EXPECT_NE(r.out.find("\"failure\": \"cannot open \\\"" + json_escaped(source) + "\\\""),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find(json_escaped(tmp.str())), std::string::npos) << r.out;
}

TEST(ScenariocDump, PrintsTheEmbeddedFiles) {
  TempDir dir;
  for (const std::string& n : compiled) write_bytes(dir / n, one_shot_files().at(n));

  const ToolRun sim = scenarioc({"dump", (dir / compiled[1]).string()});
  EXPECT_EQ(sim.status, 0);
  EXPECT_NE(sim.out.find("\nentry 85 (scenario header): tipo_voce=0 dato1=33000 dato2=0 dato3=1 "
                         "byte1=0 testo=\"Belvara_Quintosa\" intero1=610 intero2=0 intero3=0 "
                         "intero4=0 intero5=0 byte2=0 byte3=0 byte4=0 byte5=0 dato4=33391\n"),
            std::string::npos)
      << sim.out;
  EXPECT_NE(sim.out.find("\nentries 20 to 80: empty\n"), std::string::npos) << sim.out;

  const ToolRun sim_json = scenarioc({"dump", "--json", (dir / compiled[1]).string()});
  EXPECT_EQ(sim_json.status, 0);
  const char* stations[] = {"VALDORA",          "BIVIO CERSA",     "CASTELVERDO DURV.",
                            "TORBIO",           "FONTAS",          "PIANZE",
                            "VERSIO",           "LOVEDRO-CORTINO", "CAMPOLEVO",
                            "ASTRIGLIO",        "BIVIO SOLMERA",   "TESSANO D'ELMA",
                            "QUERCELA",         "DORZO",           "SORNATE",
                            "FIORTELLO SPINEO", "VEDONA ZEMBRATA", "VEDONA C.LE",
                            "VEDONA CENTRALE"};
  std::size_t at = 0;
  for (int i = 0; i < 19; ++i) {
    at = sim_json.out.find("{\"entry\": " + std::to_string(i + 1) + ", \"role\": \"station\", ", at);
    ASSERT_NE(at, std::string::npos) << "entry " << i + 1;
    EXPECT_EQ(sim_json.out.find(std::string("\"testo\": \"") + stations[i] + "\"", at),
              sim_json.out.find("\"testo\"", at))
        << stations[i];
  }
  EXPECT_EQ(sim_json.out.find("\"entry\": 20, \"role\": \"empty\""),
            sim_json.out.find("\"entry\": 20,"));
  EXPECT_EQ(sim_json.out.rfind("{\"file\": ", 0), 0u);
  EXPECT_NE(sim_json.out.find("\"format_mark\": 610, \"competition_code\": 33391,"),
            std::string::npos);

  const ToolRun dat = scenarioc({"dump", (dir / compiled[2]).string()});
  EXPECT_EQ(dat.status, 0);
  EXPECT_EQ(dat.out.substr(dat.out.find('\n') + 1, dat.out.find("\ncell 15 ") - dat.out.find('\n')),
            "format mark 5121, cell competition code 2455 (cell 1 valore_a and valore_b)\n"
            "cell 13 (600 to 650 m) kind 10 station stop: valore_a=1 valore_b=0 valore_c=0 "
            "valore_d=0 tempo_segnale=0 preavviso=0 codice_montagna=0 vel_limite=27 "
            "codice_pendenza=100 aderenza=100\n");
  const ToolRun dat_json = scenarioc({"dump", "--json", (dir / compiled[2]).string()});
  EXPECT_NE(dat_json.out.find("{\"cell\": 1, \"kind\": \"empty\", \"tipo_cella\": 0, \"valore_a\": "
                              "5121, \"valore_b\": 2455, "),
            std::string::npos);
  EXPECT_NE(dat_json.out.find("{\"cell\": 1840, "), std::string::npos);
  EXPECT_EQ(dat_json.out.find("{\"cell\": 1841, "), std::string::npos);

  const ToolRun line = scenarioc({"dump", (dir / compiled[0]).string()});
  EXPECT_EQ(line.status, 0);
  EXPECT_EQ(line.out.substr(line.out.find('\n') + 1),
            "coordinate 0: 2 integer, 91997 real, 2 empty\n"
            "coordinate 1: 2 integer, 91997 real, 2 empty\n"
            "point 0: integer 0, integer 0\n"
            "point 1: integer 0, integer 1\n"
            "point 2: real 0, real 2\n"
            "...\n"
            "point 91998: real -34722.28429392791, real 67505.56732733501\n"
            "point 91999: empty, empty\n"
            "point 92000: empty, empty\n");

  for (const std::string& n : compiled)
    EXPECT_TRUE(scenarioc({"dump", "--json", (dir / n).string()}).out.ends_with(version_json)) << n;
}

TEST(ScenariocDump, RefusesDamagedFilesNamingTheOffset) {
  TempDir dir;
  const std::string sim = (dir / compiled[1]).string();
  write_bytes(sim, one_shot_files().at(compiled[1]).substr(0, 3000));
  const ToolRun cut = scenarioc({"dump", "--json", sim});
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.out, "");
  EXPECT_EQ(cut.err, sim + ": error: malformed route file: offset 3000: the file is cut short in "
                           "entry 82 intero1 (2 bytes needed, 0 left)\n");

  const std::string dat = (dir / compiled[2]).string();
  write_bytes(dat, one_shot_files().at(compiled[2]) + "x");
  const ToolRun longer = scenarioc({"dump", dat});
  EXPECT_EQ(longer.status, 1);
  EXPECT_NE(longer.err.find("offset 27615: "), std::string::npos) << longer.err;

  write_bytes(dir / "notes.txt", "x");
  EXPECT_EQ(scenarioc({"dump", (dir / "notes.txt").string()}).status, 1);
  EXPECT_EQ(scenarioc({"dump", (dir / "missing.sim").string()}).status, 1);
}

TEST(ScenariocTexts, NeverReplacesAnAuthorsFile) {
  TempDir dir;
  write_bytes(dir / train_txt, "my own train");
  const ToolRun r = scenarioc({"texts", dir.str()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(train_txt), std::string::npos) << r.err;
  EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{train_txt, "my own train"}}));
}

TEST(ScenariocUsage, WrongCommandLinesExit64AndHelpExits0) {
  TempDir tmp, dir;
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const std::string d = dir.str();
  const std::vector<Case> cases = {
      {{}, 64},
      {{"frobnicate"}, 64},
      {{"compile"}, 64},
      {{"compile", d, d}, 64},
      {{"compile", "--out"}, 64},
      {{"compile", "--bogus", d}, 64},
      {{"compile", "--scenario", "a/b", d}, 64},
      {{"compile", "--scenario", "", d}, 64},
      {{"compile", "--train", "linea", d}, 64},
      {{"compile", "--out", d, "--out", d, d}, 64},
      {{"dump"}, 64},
      {{"dump", "--json"}, 64},
      {{"dump", "-x", d}, 64},
      {{"texts"}, 64},
      {{"--help"}, 0},
      {{"compile", "--help"}, 0},
      {{"compile", "--bogus", "--help"}, 64},
      {{"dump", "--help"}, 0},
      {{"texts", "--help"}, 0},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += " '" + a + "'";
    const ToolRun r = scenarioc(c.args, tmp.path());
    EXPECT_EQ(r.status, c.status) << shown;
    if (c.status == 0) {
      EXPECT_EQ(r.out.rfind("usage: scenarioc", 0), 0u) << shown;
      EXPECT_EQ(r.err, "") << shown;
    } else {
      EXPECT_EQ(r.out, "") << shown;
      EXPECT_EQ(r.err.rfind("scenarioc: ", 0), 0u) << shown;
      EXPECT_NE(r.err.find("\nusage: scenarioc"), std::string::npos) << shown;
    }
  }
  // Nothing was compiled or written by any of them.
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocUsage, VersionPrintsTheReleaseAndWritesNothing) {
  TempDir tmp;
  const ToolRun r = scenarioc({"--version"}, tmp.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "scenarioc " + std::string(scenario::version) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

}  // namespace
