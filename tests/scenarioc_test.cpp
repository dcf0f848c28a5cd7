// scenarioc run as a process, as authors and scripts run it: compiling the
// embedded texts gives the one-shot program's files, errors are placed in
// the author's text, compiled files are dumped and damaged ones refused, and
// wrong command lines are told apart by their exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/version.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::TempDir;
using testing_support::write_bytes;

const std::string linea_txt = "Belvara_Quintosa_linea.txt";
const std::string treno_txt = "Belvara_Quintosa_254-.txt";
// Every --json object ends with the version of scenarioc that wrote it.
const std::string version_json = ", \"version\": \"" + std::string(scenario::version) + "\"}\n";
// check and compile end with the codes the diagnostic limit cut short.
const std::string omitted_json = ", \"omitted\": []" + version_json;
const std::vector<std::string> compiled_names = {"Belvara_Quintosa_linea.dat",
                                            "Belvara_Quintosa_254.sim",
                                            "Belvara_Quintosa_254.dat"};

std::string q(const std::string& s) { return "'" + s + "'"; }
std::string q(const fs::path& p) { return q(p.string()); }

struct Outcome {
  int status;
  std::string out, err;
};

// Runs scenarioc with `args` (already quoted); its temporary directories go
// to `tmp`, so a test can see that none is left behind.
Outcome scenarioc(const std::string& args, const TempDir& tmp) {
  TempDir captured;
  const int status = run_command("TMPDIR=" + q(tmp.path()) + " " + q(std::string(SCENARIOC_EXE)) +
                                 " " + args + " > " + q(captured / "out") + " 2> " +
                                 q(captured / "err"));
  return {status, read_bytes(captured / "out"), read_bytes(captured / "err")};
}

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const std::string& n : testing_support::names_in(dir)) names.insert(n);
  return names;
}

std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> c;
  for (const std::string& n : names_in(dir)) c[n] = read_bytes(dir / n);
  return c;
}

// The one-shot program run once in a directory of its own: the reference.
const std::map<std::string, std::string>& one_shot_files() {
  static TempDir dir;
  static const std::map<std::string, std::string> files = [] {
    const fs::path exe = dir / fs::path(BELVARA_QUINTOSA_EXE).filename();
    fs::copy_file(BELVARA_QUINTOSA_EXE, exe);
    EXPECT_EQ(run_command(q(exe) + " 2> " + q(dir / "stderr.log")), 0);
    fs::remove(exe);
    fs::remove(dir / "stderr.log");
    return contents(dir.path());
  }();
  return files;
}

// A directory holding the texts that `scenarioc texts` writes.
void write_texts(const fs::path& dir, const TempDir& tmp) {
  const Outcome e = scenarioc("texts " + q(dir), tmp);
  ASSERT_EQ(e.status, 0) << e.err;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  const std::size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

TEST(ScenariocCompile, EmbeddedTextsGiveTheOneShotFilesAndStayUntouched) {
  TempDir tmp, dir;
  const fs::path src = dir / "src";
  write_texts(src, tmp);
  const auto sources = contents(src);
  EXPECT_EQ(sources.size(), 5u);
  for (const auto& [nome, bytes] : sources) {
    // The three sheets the one-shot program leaves are the same writers' output.
    if (nome != linea_txt && nome != treno_txt) {
      EXPECT_EQ(bytes, one_shot_files().at(nome)) << nome;
    }
  }

  const Outcome e = scenarioc("compile " + q(src), tmp);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.err, "");
  for (const std::string& n : compiled_names) EXPECT_EQ(read_bytes(src / n), one_shot_files().at(n)) << n;
  auto after = contents(src);
  for (const std::string& n : compiled_names) after.erase(n);
  EXPECT_EQ(after, sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // Without the plan, elsewhere, for a script: two files, the same bytes,
  // and an earlier compiled line file in DIR is left alone.
  const fs::path out = dir / "out";
  fs::create_directory(out);
  write_bytes(out / "Belvara_Quintosa_linea.dat", "earlier");
  write_bytes(out / "Belvara_Quintosa_254.sim", std::string(5000, 'x'));
  const Outcome j = scenarioc("compile --no-plan --out " + q(out) + " --json " + q(src), tmp);
  EXPECT_EQ(j.status, 0);
  EXPECT_EQ(j.out,
            "{\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": null, \"failure\": null, "
            "\"files\": [\"Belvara_Quintosa_254.sim\", \"Belvara_Quintosa_254.dat\"], "
            "\"diagnostics\": []" + omitted_json);
  EXPECT_EQ(read_bytes(out / "Belvara_Quintosa_linea.dat"), "earlier");
  for (const std::string& n : {compiled_names[1], compiled_names[2]})
    EXPECT_EQ(read_bytes(out / n), one_shot_files().at(n)) << n;
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, ScenarioNameAndTrainNumberNameEveryFile) {
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  fs::rename(dir / linea_txt, dir / "Nuova_linea.txt");
  fs::rename(dir / treno_txt, dir / "Nuova_9-.txt");
  const Outcome e = scenarioc("compile --json --scenario Nuova --train 9 " + q(dir.path()), tmp);
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_NE(e.out.find("\"files\": [\"Nuova_linea.dat\", \"Nuova_9.sim\", \"Nuova_9.dat\"]"),
            std::string::npos)
      << e.out;
  const Outcome d = scenarioc("dump " + q(dir / "Nuova_9.sim"), tmp);
  EXPECT_NE(d.out.find("scenario \"Nuova\", train \"9\", format mark 610"), std::string::npos)
      << d.out;
}

struct ScenarioErrorCase {
  const char* name;
  std::string file;  // the text to change
  std::string from, to;
  std::int32_t error, position;
  std::string expected_stderr;  // {DIR} stands for the source directory
  std::string failure = "null";  // as JSON
};

void PrintTo(const ScenarioErrorCase& c, std::ostream* os) { *os << c.name; }

class ScenariocErrors : public testing::TestWithParam<ScenarioErrorCase> {};

TEST_P(ScenariocErrors, ArePlacedInTheAuthorsText) {
  const ScenarioErrorCase& c = GetParam();
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  write_bytes(dir / c.file, replaced(read_bytes(dir / c.file), c.from, c.to));
  const auto sources = contents(dir.path());

  const Outcome e = scenarioc("compile --json " + q(dir.path()), tmp);
  EXPECT_EQ(e.status, 1);
  std::string expected = c.expected_stderr;
  for (std::size_t at; (at = expected.find("{DIR}")) != std::string::npos;)
    expected.replace(at, 5, dir.str());
  EXPECT_EQ(e.err, expected);
  // The same error as data: the state, then the diagnostics, the error last.
  EXPECT_EQ(e.out.rfind("{\"numero_errore\": " + std::to_string(c.error) +
                            ", \"posizione_errore\": " + std::to_string(c.position) +
                            ", \"fatal\": null, \"failure\": " + c.failure + ", \"files\": "
                            "[\"Belvara_Quintosa_linea.dat\", \"Belvara_Quintosa_254.sim\", "
                            "\"Belvara_Quintosa_254.dat\"], \"diagnostics\": [{\"file\": ",
                        0),
            0u)
      << e.out;
  const std::size_t errore = e.out.rfind("\"severity\": \"error\", \"code\": \"error-" +
                                         std::to_string(c.error) + "\"");
  EXPECT_NE(errore, std::string::npos) << e.out;
  EXPECT_EQ(e.out.find("\"severity\": \"warning\"", errore), std::string::npos) << e.out;
  // The files are written in spite of the error; the sources stay as they were.
  auto after = contents(dir.path());
  for (const std::string& n : compiled_names) EXPECT_EQ(after.erase(n), 1u) << n;
  EXPECT_EQ(after, sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

const std::string written_anyway = "scenarioc: the compiled files were written in spite of the error\n";

INSTANTIATE_TEST_SUITE_P(
    All, ScenariocErrors,
    testing::Values(
        ScenarioErrorCase{
            // The caret under the position; the note at the row that wrote the cell.
            "signal_on_a_station_stop_cell", treno_txt, "segnale,    1650,", "segnale,     600,",
            16, 600,
            "{DIR}/Belvara_Quintosa_254-.txt:47:14: error 16: signal on a cell that is already in "
            "use (position 600 m)\n"
            "segnale,     600,   2, 3, 0,  0, 0,    0,  0,0,0, 0\n"
            "             ^~~\n"
            "{DIR}/Belvara_Quintosa_254-.txt:26:1: note: track cell 13 (600 to 650 m) already "
            "holds the stop cell of station VALDORA, written here\n"
            "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,  13,57, 0, VALDORA\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:47:14: note: the train description's rows after this "
            "one were not read\n"
            "{DIR}/Belvara_Quintosa_254-.txt:47:14: note: move the signal to a position whose 50 m "
            "cell holds no other feature\n" +
                written_anyway},
        ScenarioErrorCase{
            "signal_on_another_signal", treno_txt, "segnale,   10050,", "segnale,    8600,", 16,
            8600,
            "{DIR}/Belvara_Quintosa_254-.txt:52:13: error 16: signal on a cell that is already in "
            "use (position 8600 m)\n"
            "segnale,    8600,   2, 4, 0,  0, 0,    2,  2,0,0, 0\n"
            "            ^~~~\n"
            "{DIR}/Belvara_Quintosa_254-.txt:51:1: note: track cell 173 (8600 to 8650 m) already "
            "holds a signal, written here\n"
            "segnale,    8600,   2, 4, 0,  0, 0,    0,  0,0,0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:52:13: note: the train description's rows after this "
            "one were not read\n"
            "{DIR}/Belvara_Quintosa_254-.txt:52:13: note: move the signal to a position whose 50 m "
            "cell holds no other feature\n" +
                written_anyway},
        ScenarioErrorCase{
            // The slowdown's start cell comes from the compiler, not from its row read again.
            "slowdown_start_on_a_signal", treno_txt, "[codici]",
            "  rallentamento, 20300, 60, 500, 0, 1, 0\r\n[codici]", 18, 20300,
            "{DIR}/Belvara_Quintosa_254-.txt:92:18: error 18: slowdown start cell is already in "
            "use (position 20300 m)\n"
            "  rallentamento, 20300, 60, 500, 0, 1, 0\n"
            "                 ^~~~~\n"
            "{DIR}/Belvara_Quintosa_254-.txt:57:1: note: track cell 407 (20300 to 20350 m) already "
            "holds a signal, written here\n"
            "segnale,   20300,   2, 4, 0,  0, 0,    0,  0,0,0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:92:18: note: the train description's rows after this "
            "one were not read\n"
            "{DIR}/Belvara_Quintosa_254-.txt:92:18: note: move the slowdown or the feature on its "
            "start cell\n" +
                written_anyway},
        ScenarioErrorCase{
            // The caret goes under the field the reader refused.
            "unreadable_number", linea_txt, "pendenza,  7100,   4", "pendenza,  7100,   4x", 25, 0,
            "{DIR}/Belvara_Quintosa_linea.txt:44:20: error 25: the description could not be read: "
            "\"4x\" is not a whole number\n"
            "pendenza,  7100,   4x\n"
            "                   ^~\n"
            "{DIR}/Belvara_Quintosa_linea.txt:44:20: note: the reading stopped here: the train "
            "description was not read, and the compiled files hold no train\n"
            "{DIR}/Belvara_Quintosa_linea.txt:44:20: note: check the record named in the message: a "
            "missing or malformed value\n" +
                written_anyway,
            "\"\\\"4x\\\" is not a whole number\""},
        ScenarioErrorCase{
            // A row one value short is blamed on itself, not on the row the
            // reader took the value from.
            "row_short_of_a_value", treno_txt, "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0, 220",
            "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0", 25, 0,
            "{DIR}/Belvara_Quintosa_254-.txt:48:1: error 25: the description could not be read: "
            "'segnale' takes 11 values, this row has 10\n"
            "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0\n"
            "^~~~~~~\n"
            "{DIR}/Belvara_Quintosa_254-.txt:49:1: note: the reader went on to the next line for "
            "them: \"segnale\" is not a whole number\n"
            "segnale,    5600,   2, 4, 0,  0, 0,    0,  0,0,0, 0\n"
            "^~~~~~~\n"
            "{DIR}/Belvara_Quintosa_254-.txt:48:1: note: check the record named in the message: a "
            "missing or malformed value\n" +
                written_anyway,
            "\"'segnale' takes 11 values, this row has 10\""},
        ScenarioErrorCase{
            // Post-processing: at the signal's row, with the row behind
            // every cell it tried.
            "no_cell_before_a_signal_ahead_of_a_warning_board", treno_txt, "[rallentamenti]\r\n",
            "[rallentamenti]\r\nrallentamento, 20000, 120, 500, 0, 0, 0\r\n"
            "abbattimento, 18450, 0\r\n"
            "abbattimento, 18400, 0\r\n"
            "segnale, 18450, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n",
            11, 18500,
            "{DIR}/Belvara_Quintosa_254-.txt:49:1: error 11: no free cell for the point before a "
            "signal ahead of a slowdown warning board (position 18500 m)\n"
            "segnale, 18450, 2, 4, 0, 0, 0, 0, 0,0,0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:47:1: note: track cell 369 (18400 to 18450 m) holds an "
            "abbattimento point, written here\n"
            "abbattimento, 18450, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:48:1: note: track cell 368 (18350 to 18400 m) holds an "
            "abbattimento point, written here\n"
            "abbattimento, 18400, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:46:1: note: track cell 377 (18800 to 18850 m) holds, 7 "
            "cells after the signal, the warning board of a slowdown, written here\n"
            "rallentamento, 20000, 120, 500, 0, 0, 0\n"
            "^\n"
            "{DIR}/Belvara_Quintosa_254-.txt:49:1: note: move the signal or the slowdown so that a "
            "cell before the signal is free\n" +
                written_anyway}),
    [](const testing::TestParamInfo<ScenarioErrorCase>& i) { return std::string(i.param.name); });

TEST(ScenariocCompile, NoCompiledFileWhenTheRunCannotFinish) {
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  const auto sources = contents(dir.path());

  // A signal in track cell 1 clashes with the format mark stamped there.
  write_bytes(dir / treno_txt, replaced(read_bytes(dir / treno_txt), "segnale,    1650,",
                                           "segnale,       0,"));
  // The clash is placed at the row that wrote the cell.
  const Outcome fatale = scenarioc("compile --json " + q(dir.path()), tmp);
  const std::string treno = (dir / treno_txt).string();
  EXPECT_EQ(fatale.status, 2);
  EXPECT_EQ(fatale.out,
            "{\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": 1250, \"failure\": null, "
            "\"files\": [], \"diagnostics\": [{\"file\": \"" + treno + "\", \"line\": 47, "
            "\"column\": 1, \"severity\": \"error\", \"code\": \"error-1250\", \"message\": \"a "
            "feature in the first 50 m of the line (track cell 1) takes the place where the format "
            "mark goes\", \"notes\": [{\"file\": \"" + treno + "\", "
            "\"line\": 47, \"column\": 1, \"message\": \"track cell 1 (0 to 50 m) holds a signal, "
            "written here\"}, {\"file\": \"" + treno + "\", \"line\": 47, \"column\": 1, "
            "\"message\": \"move the feature further along the line: the first 50 m (track cell 1) "
            "must stay empty\"}]}]" + omitted_json);
  EXPECT_EQ(fatale.err,
            treno + ":47:1: error 1250: a feature in the first 50 m of the line (track cell 1) takes the "
                    "place where the format mark goes\n"
            "segnale,       0,   2, 3, 0,  0, 0,    0,  0,0,0, 0\n"
            "^\n" +
                treno + ":47:1: note: track cell 1 (0 to 50 m) holds a signal, written here\n" +
                treno + ":47:1: note: move the feature further along the line: the first 50 m (track cell "
                    "1) must stay empty\n"
                "scenarioc: no compiled file was written; \"" + dir.str() + "\" keeps the files it had\n");
  EXPECT_EQ(names_in(dir.path()).size(), 5u);
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // No line description: refused before anything is compiled.
  TempDir empty_folder;
  const Outcome no_texts = scenarioc("compile --json " + q(empty_folder.path()), tmp);
  const std::string linea = empty_folder.str() + "/" + linea_txt;
  EXPECT_EQ(no_texts.status, 2);
  EXPECT_EQ(no_texts.out,
            "{\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": null, \"failure\": "
            "\"cannot read the line description: does not exist\", \"files\": [], "
            "\"diagnostics\": [{\"file\": \"" + linea + "\", \"line\": null, \"column\": null, "
            "\"severity\": \"error\", \"code\": \"unreadable-text\", \"message\": \"cannot read "
            "the line description: does not exist\", \"notes\": []}]" + omitted_json);
  EXPECT_EQ(no_texts.err,
            linea + ": error: cannot read the line description: does not exist\n");
  EXPECT_TRUE(fs::is_empty(empty_folder.path()));

  // An output directory whose parent does not exist, and one where a
  // compiled file cannot go: exit 2, the output directory as it was (no
  // file of the set goes in without the others), and the sources untouched.
  write_bytes(dir / treno_txt, sources.at(treno_txt));
  const Outcome missing = scenarioc("compile --out " + q(dir / "nowhere" / "out") + " " + q(dir.path()), tmp);
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "scenarioc: cannot create the directory \"" + (dir / "nowhere" / "out").string() +
                           "\": its parent folder does not exist\n");
  TempDir out;
  fs::create_directory(out / "Belvara_Quintosa_254.sim");
  const Outcome locked = scenarioc("compile --json --out " + q(out.path()) + " " + q(dir.path()), tmp);
  EXPECT_EQ(locked.status, 2);
  EXPECT_NE(locked.out.find("\"files\": [], \"diagnostics\": []" + omitted_json), std::string::npos) << locked.out;
  EXPECT_NE(locked.err.find("Belvara_Quintosa_254.sim\": is a directory"), std::string::npos)
      << locked.err;
  EXPECT_EQ(testing_support::names_in(out.path()), std::vector<std::string>{"Belvara_Quintosa_254.sim"});
  EXPECT_EQ(contents(dir.path()), sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, AReaderThatStopsEarlyLeavesNoTemporaryDirectory) {
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  write_bytes(dir / treno_txt, replaced(read_bytes(dir / treno_txt), "segnale,    1650,",
                                           "segnale,     600,"));
  // Nobody reads standard error any more when scenarioc starts: its first
  // write ends it.
  run_command("(sleep 0.2; TMPDIR=" + q(tmp.path()) + " exec " + q(std::string(SCENARIOC_EXE)) +
              " compile " + q(dir.path()) + ") 2>&1 | true");
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, AnUnreadableTextIsRefusedBeforeAnythingIsCompiled) {
  // A missing train text, and one that is a directory: exit 2, the file
  // named, nothing written, for compile and check alike.
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  fs::remove(dir / treno_txt);
  const auto sources = contents(dir.path());
  const std::string treno = (dir / treno_txt).string();
  for (const char* command : {"compile", "check"}) {
    const Outcome e = scenarioc(std::string(command) + " " + q(dir.path()), tmp);
    EXPECT_EQ(e.status, 2) << command;
    EXPECT_EQ(e.err, treno + ": error: cannot read the train description: does not exist\n")
        << command;
    EXPECT_EQ(e.out, "") << command;
  }
  fs::create_directory(dir / treno_txt);
  const Outcome not_a_folder = scenarioc("check --json " + q(dir.path()), tmp);
  EXPECT_EQ(not_a_folder.status, 2);
  EXPECT_EQ(not_a_folder.out,
            "{\"diagnostics\": [{\"file\": \"" + treno + "\", \"line\": null, \"column\": null, "
            "\"severity\": \"error\", \"code\": \"unreadable-text\", \"message\": \"cannot read "
            "the train description: is a directory\", \"notes\": []}], \"numero_errore\": 0, "
            "\"posizione_errore\": 0, \"fatal\": null" + omitted_json);
  fs::remove(dir / treno_txt);
  EXPECT_EQ(contents(dir.path()), sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCheck, ShowsWarningsAndWritesNothing) {
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  const Outcome clean = scenarioc("check " + q(dir.path()), tmp);
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(clean.out + clean.err, "");

  write_bytes(dir / linea_txt, replaced(read_bytes(dir / linea_txt), "pendenza,  7100,",
                                           "pendnza,  7100,"));
  const auto sources = contents(dir.path());
  const std::string linea = (dir / linea_txt).string();
  const std::string warning =
      ":44:1: warning: 'pendnza' is no keyword: the row is skipped; did you mean 'pendenza'?";
  const std::string source_line =
      "pendnza,  7100,   4\n"
      "^~~~~~~\n" +
      linea + ":44:1: note: fields in a keyword's place that hold no keyword are skipped, and so "
              "are the values after them\n";
  const Outcome e = scenarioc("check " + q(dir.path()), tmp);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, "");
  EXPECT_EQ(e.err, linea + warning + " [-Wunknown-keyword]\n" + source_line);

  // -Werror makes it an error; -Wno-CODE leaves it out.
  const Outcome werror = scenarioc("check -Werror " + q(dir.path()), tmp);
  EXPECT_EQ(werror.status, 1);
  EXPECT_EQ(werror.err, linea + ":44:1: error: 'pendnza' is no keyword: the row is skipped; did "
                                "you mean 'pendenza'? [-Werror=unknown-keyword]\n" + source_line);
  const Outcome silenced = scenarioc("check -Werror -Wno-unknown-keyword " + q(dir.path()), tmp);
  EXPECT_EQ(silenced.status, 0);
  EXPECT_EQ(silenced.err, "");

  const Outcome json = scenarioc("check --json " + q(dir.path()), tmp);
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.err, "");
  EXPECT_EQ(json.out,
            "{\"diagnostics\": [{\"file\": \"" + linea + "\", \"line\": 44, \"column\": 1, "
            "\"severity\": \"warning\", \"code\": \"unknown-keyword\", \"message\": \"'pendnza' "
            "is no keyword: the row is skipped; did you mean 'pendenza'?\", \"notes\": [{\"file\": "
            "\"" + linea + "\", \"line\": 44, \"column\": 1, \"message\": \"fields in a keyword's "
            "place that hold no keyword are skipped, and so are the values after them\"}]}], "
            "\"numero_errore\": 0, \"posizione_errore\": 0, \"fatal\": null" + omitted_json);

  // An error: exit 1, still nothing written.
  write_bytes(dir / treno_txt, replaced(read_bytes(dir / treno_txt), "segnale,    1650,",
                                           "segnale,     600,"));
  const Outcome errore = scenarioc("check --json " + q(dir.path()), tmp);
  EXPECT_EQ(errore.status, 1);
  EXPECT_NE(errore.out.find("\"numero_errore\": 16, \"posizione_errore\": 600, \"fatal\": null" + omitted_json),
            std::string::npos)
      << errore.out;
  write_bytes(dir / treno_txt, sources.at(treno_txt));

  EXPECT_EQ(contents(dir.path()), sources);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocCompile, ReportsTheSameWarningsAndTakesTheSameOptions) {
  TempDir tmp, dir;
  write_texts(dir.path(), tmp);
  write_bytes(dir / treno_txt, replaced(read_bytes(dir / treno_txt), "velocita,   16700,",
                                           "velocita,    1700,"));
  const Outcome check = scenarioc("check " + q(dir.path()), tmp);
  EXPECT_EQ(check.status, 0);
  EXPECT_NE(check.err.find(":17:14: warning: speed steps must come in increasing position order"),
            std::string::npos)
      << check.err;

  const Outcome e = scenarioc("compile --json " + q(dir.path()), tmp);
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.err, check.err);
  EXPECT_NE(e.out.find("\"diagnostics\": [{\"file\": \"" + (dir / treno_txt).string() +
                       "\", \"line\": 17, \"column\": 14, \"severity\": \"warning\", \"code\": "
                       "\"out-of-order\""),
            std::string::npos)
      << e.out;
  // Under -Werror the files are still written, as with a scenario error.
  for (const std::string& n : compiled_names) fs::remove(dir / n);
  const Outcome werror = scenarioc("compile -Werror " + q(dir.path()), tmp);
  EXPECT_EQ(werror.status, 1);
  for (const std::string& n : compiled_names) EXPECT_TRUE(fs::exists(dir / n)) << n;
  EXPECT_EQ(scenarioc("compile -Werror -Wno-out-of-order " + q(dir.path()), tmp).status, 0);
}

TEST(ScenariocDump, PrintsTheEmbeddedFiles) {
  TempDir tmp, dir;
  for (const std::string& n : compiled_names) write_bytes(dir / n, one_shot_files().at(n));

  const Outcome sim = scenarioc("dump " + q(dir / compiled_names[1]), tmp);
  EXPECT_EQ(sim.status, 0);
  EXPECT_NE(sim.out.find("\nentry 85 (scenario header): tipo_voce=0 dato1=33000 dato2=0 dato3=1 "
                         "byte1=0 testo=\"Belvara_Quintosa\" intero1=610 intero2=0 intero3=0 "
                         "intero4=0 intero5=0 byte2=0 byte3=0 byte4=0 byte5=0 dato4=33391\n"),
            std::string::npos)
      << sim.out;
  EXPECT_NE(sim.out.find("\nentries 20 to 80: empty\n"), std::string::npos) << sim.out;

  const Outcome sim_json = scenarioc("dump --json " + q(dir / compiled_names[1]), tmp);
  EXPECT_EQ(sim_json.status, 0);
  const char* stations[] = {"VALDORA",         "BIVIO CERSA",      "CASTELVERDO DURV.",
                            "TORBIO",          "FONTAS",           "PIANZE",
                            "VERSIO",          "LOVEDRO-CORTINO",  "CAMPOLEVO",
                            "ASTRIGLIO",       "BIVIO SOLMERA",    "TESSANO D'ELMA",
                            "QUERCELA",        "DORZO",            "SORNATE",
                            "FIORTELLO SPINEO", "VEDONA ZEMBRATA", "VEDONA C.LE",
                            "VEDONA CENTRALE"};
  std::size_t at_station = 0;
  for (int i = 0; i < 19; ++i) {
    at_station = sim_json.out.find("{\"entry\": " + std::to_string(i + 1) +
                                 ", \"role\": \"station\", ",
                             at_station);
    ASSERT_NE(at_station, std::string::npos) << "entry " << i + 1;
    EXPECT_EQ(sim_json.out.find(std::string("\"testo\": \"") + stations[i] + "\"", at_station),
              sim_json.out.find("\"testo\"", at_station))
        << stations[i];
  }
  EXPECT_EQ(sim_json.out.find("\"entry\": 20, \"role\": \"empty\""),
            sim_json.out.find("\"entry\": 20,"));
  EXPECT_EQ(sim_json.out.rfind("{\"file\": ", 0), 0u);
  EXPECT_NE(sim_json.out.find("\"format_mark\": 610, \"competition_code\": 33391,"),
            std::string::npos);

  const Outcome dat = scenarioc("dump " + q(dir / compiled_names[2]), tmp);
  EXPECT_EQ(dat.status, 0);
  EXPECT_EQ(dat.out.substr(dat.out.find('\n') + 1, dat.out.find("\ncell 15 ") - dat.out.find('\n')),
            "format mark 5121, cell competition code 2455 (cell 1 valore_a and valore_b)\n"
            "cell 13 (600 to 650 m) kind 10 station stop: valore_a=1 valore_b=0 valore_c=0 "
            "valore_d=0 tempo_segnale=0 preavviso=0 codice_montagna=0 vel_limite=27 "
            "codice_pendenza=100 aderenza=100\n");
  const Outcome dat_json = scenarioc("dump --json " + q(dir / compiled_names[2]), tmp);
  EXPECT_NE(dat_json.out.find("{\"cell\": 1, \"kind\": \"empty\", \"tipo_cella\": 0, \"valore_a\": "
                              "5121, \"valore_b\": 2455, "),
            std::string::npos);
  EXPECT_NE(dat_json.out.find("{\"cell\": 1840, "), std::string::npos);
  EXPECT_EQ(dat_json.out.find("{\"cell\": 1841, "), std::string::npos);

  const Outcome linea = scenarioc("dump " + q(dir / compiled_names[0]), tmp);
  EXPECT_EQ(linea.status, 0);
  EXPECT_EQ(linea.out.substr(linea.out.find('\n') + 1),
            "coordinate 0: 2 integer, 91997 real, 2 empty\n"
            "coordinate 1: 2 integer, 91997 real, 2 empty\n"
            "point 0: integer 0, integer 0\n"
            "point 1: integer 0, integer 1\n"
            "point 2: real 0, real 2\n"
            "...\n"
            "point 91998: real -34722.28429392791, real 67505.56732733501\n"
            "point 91999: empty, empty\n"
            "point 92000: empty, empty\n");

  for (const std::string& n : compiled_names)
    EXPECT_TRUE(scenarioc("dump --json " + q(dir / n), tmp).out.ends_with(version_json)) << n;
}

TEST(ScenariocDump, RefusesDamagedFilesNamingTheOffset) {
  TempDir tmp, dir;
  const std::string sim = (dir / compiled_names[1]).string();
  write_bytes(sim, one_shot_files().at(compiled_names[1]).substr(0, 3000));
  const Outcome cut = scenarioc("dump --json " + q(sim), tmp);
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.out, "");
  EXPECT_EQ(cut.err, sim + ": error: malformed route file: offset 3000: the file is cut short in "
                           "entry 82 intero1 (2 bytes needed, 0 left)\n");

  const std::string dat = (dir / compiled_names[2]).string();
  write_bytes(dat, one_shot_files().at(compiled_names[2]) + "x");
  const Outcome too_long = scenarioc("dump " + q(dat), tmp);
  EXPECT_EQ(too_long.status, 1);
  EXPECT_NE(too_long.err.find("offset 27615: "), std::string::npos) << too_long.err;

  write_bytes(dir / "notes.txt", "x");
  EXPECT_EQ(scenarioc("dump " + q(dir / "notes.txt"), tmp).status, 1);
  EXPECT_EQ(scenarioc("dump " + q(dir / "missing.sim"), tmp).status, 1);
}

TEST(ScenariocTexts, NeverReplacesAnAuthorsFile) {
  TempDir tmp, dir;
  write_bytes(dir / treno_txt, "my own train");
  const Outcome e = scenarioc("texts " + q(dir.path()), tmp);
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.err.find(treno_txt), std::string::npos) << e.err;
  EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{treno_txt, "my own train"}}));
}

TEST(ScenariocUsage, WrongCommandLinesExit64AndHelpExits0) {
  TempDir tmp, dir;
  struct Example {
    std::string args;
    int status;
  };
  const std::string d = q(dir.path());
  const std::vector<Example> cases = {
      {"", 64},
      {"frobnicate", 64},
      {"compile", 64},
      {"compile " + d + " " + d, 64},
      {"compile --out", 64},
      {"compile --bogus " + d, 64},
      {"compile --scenario a/b " + d, 64},
      {"compile --scenario '' " + d, 64},
      {"compile --train linea " + d, 64},
      {"compile --out " + d + " --out " + d + " " + d, 64},
      {"dump", 64},
      {"dump --json", 64},
      {"dump -x " + d, 64},
      {"texts", 64},
      {"check", 64},
      {"check " + d + " " + d, 64},
      {"check --out " + d + " " + d, 64},
      {"check -Wno-bogus " + d, 64},
      {"check -Wall " + d, 64},
      {"check --train linea " + d, 64},
      {"check --scenario ' x' " + d, 64},
      {"compile -Wno-bogus " + d, 64},
      {"--help", 0},
      {"compile --help", 0},
      {"compile --bogus --help", 64},
      {"dump --help", 0},
      {"texts --help", 0},
      {"check --help", 0},
  };
  for (const Example& c : cases) {
    const Outcome e = scenarioc(c.args, tmp);
    EXPECT_EQ(e.status, c.status) << c.args;
    if (c.status == 0) {
      EXPECT_EQ(e.out.rfind("usage: scenarioc", 0), 0u) << c.args;
      EXPECT_EQ(e.err, "") << c.args;
    } else {
      EXPECT_EQ(e.out, "") << c.args;
      EXPECT_EQ(e.err.rfind("scenarioc: ", 0), 0u) << c.args;
      EXPECT_NE(e.err.find("\nusage: scenarioc"), std::string::npos) << c.args;
    }
  }
  // Nothing was compiled or written by any of them.
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocUsage, VersionPrintsTheReleaseAndWritesNothing) {
  TempDir tmp;
  const Outcome r = scenarioc("--version", tmp);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "scenarioc " + std::string(scenario::version) + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

}  // namespace
