// scenarioc as a process: what only a process shows. POSIX only: it runs
// through a POSIX shell, and Windows has no SIGPIPE (.ci/windows.sh runs
// scenarioc.exe there).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "in_process.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::TempDir;
using testing_support::write_bytes;

std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(ScenariocProcess, MainPassesTheArgumentsAndTheExitStatus) {
  TempDir dir;
  EXPECT_EQ(run_command(q(SCENARIOC_EXE) + " texts " + q(dir.path()) + " > " + q(dir / "out")), 0);
  EXPECT_EQ(read_bytes(dir / "out").rfind((dir / "Belvara_Quintosa_linea.txt").string() + "\n", 0), 0u);
  EXPECT_EQ(run_command(q(SCENARIOC_EXE) + " frobnicate 2> " + q(dir / "err")), 64);
  EXPECT_EQ(read_bytes(dir / "err").rfind("scenarioc: unknown command frobnicate\n", 0), 0u);
}

// A new author's first three commands, exactly as README shows them: no
// option but the names given once.
TEST(ScenariocProcess, ANewScenarioChecksAndCompilesWithNoOtherOption) {
  TempDir dir;
  const std::string s = q(SCENARIOC_EXE);
  EXPECT_EQ(run_command("cd " + q(dir.path()) + " && " + s + " new Ponte 48 my-scenario > /dev/null && " + s +
                        " check my-scenario && " + s + " compile my-scenario 2> " + q(dir / "err")),
            0);
  EXPECT_EQ(read_bytes(dir / "err"), "");
  for (const char* n : {"Ponte_linea.dat", "Ponte_48.sim", "Ponte_48.dat"})
    EXPECT_TRUE(fs::is_regular_file(dir / "my-scenario" / n)) << n;
}

TEST(ScenariocProcess, AReaderThatStopsEarlyLeavesNoTemporaryDirectory) {
  TempDir tmp, dir;
  ASSERT_EQ(testing_support::scenarioc({"texts", dir.str()}).status, 0);
  const fs::path train = dir / "Belvara_Quintosa_254-.txt";
  std::string text = read_bytes(train);
  text.replace(text.find("segnale,    1650,"), 17, "segnale,     600,");
  write_bytes(train, text);
  // Nobody reads standard error any more when scenarioc starts: its first
  // write (the error 16 it finds) ends it. Its own exit status goes to a
  // file, so the test knows it ran and how it ended.
  TempDir status;
  run_command("(sleep 0.2; TMPDIR=" + q(tmp.path()) + " " + q(SCENARIOC_EXE) + " compile " +
              q(dir.path()) + "; echo $? > " + q(status / "status") + ") 2>&1 | true");
  ASSERT_TRUE(fs::exists(status / "status")) << "scenarioc did not run";
  // Ended by SIGPIPE (128 + 13), or, where the signal is ignored, by the
  // scenario error's own status after a failed write.
  const std::string ended = read_bytes(status / "status");
  EXPECT_TRUE(ended == "141\n" || ended == "1\n") << ended;
  EXPECT_TRUE(fs::is_empty(tmp.path()));
  // Nor the staging folder, which stands in the output folder.
  for (const std::string& n : testing_support::names_in(dir.path()))
    EXPECT_FALSE(n.starts_with(".scenarioc-")) << n;
}

// The render guard against replacing an input compares the files, not the
// names: relative spellings and a link need a process run from inside the
// folder.
TEST(ScenariocProcess, RenderNeverReplacesACompiledFileHoweverItIsSpelled) {
  const std::string linea_dat = "Belvara_Quintosa_linea.dat";
  const std::string sim = "Belvara_Quintosa_254.sim";
  const std::string dat = "Belvara_Quintosa_254.dat";
  const auto& compiled = testing_support::one_shot_files();
  TempDir dir;
  for (const std::string& n : {linea_dat, sim, dat}) write_bytes(dir / n, compiled.at(n));
  fs::create_symlink(dir / sim, dir / "link.svg");
  const std::string base = dir.path().filename().string();
  for (const std::string& out : {dir.str() + "/./" + sim, dir.str() + "//" + sim,
                                 dir.str() + "/../" + base + "/" + sim, "./" + sim,
                                 "./" + linea_dat, std::string("link.svg")}) {
    // Run from inside the folder, where "./" and "link.svg" lead.
    const int status = run_command("cd " + q(dir.path()) + " && " + q(SCENARIOC_EXE) +
                                   " render --out '" + out + "' . 2> err.log");
    const std::string err = read_bytes(dir / "err.log");
    EXPECT_EQ(status, 64) << out;
    EXPECT_NE(err.find(" would replace the compiled file "), std::string::npos) << out << ": " << err;
    for (const std::string& n : {linea_dat, sim, dat}) EXPECT_EQ(read_bytes(dir / n), compiled.at(n)) << out;
  }
}

}  // namespace
