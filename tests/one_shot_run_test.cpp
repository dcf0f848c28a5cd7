// The one-shot program run as a process in an empty directory, as its users
// run it: the files it leaves, their sizes, repeat runs, and failures.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "golden.h"
#include "model/version.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::TempDir;
using testing_support::write_bytes;

const std::set<std::string> prodotti = {
    "Belvara_Quintosa_254_note.txt",          "Belvara_Quintosa_254_rallentamenti.txt",
    "Belvara_Quintosa_254_scheda_treno.txt",  "Belvara_Quintosa_linea.dat",
    "Belvara_Quintosa_254.sim",               "Belvara_Quintosa_254.dat",
};

// Copies the program into `dir` and runs it there; stderr goes to a file.
int esegui(const TempDir& dir, const std::string& args = "") {
  const fs::path exe = dir / fs::path(BELVARA_QUINTOSA_EXE).filename();
  if (!fs::exists(exe)) fs::copy_file(BELVARA_QUINTOSA_EXE, exe);
  return run_command("\"" + exe.string() + "\" " + args + " 2> \"" +
                     (dir / "stderr.log").string() + "\"");
}

std::set<std::string> file_in(const TempDir& dir) {
  std::set<std::string> nomi;
  for (const std::string& n : testing_support::names_in(dir.path())) {
    if (n != "stderr.log" && n != fs::path(BELVARA_QUINTOSA_EXE).filename().string()) nomi.insert(n);
  }
  return nomi;
}

TEST(OneShotRun, LeavesTheSixFilesAndTheSameBytesTwice) {
  TempDir dir;
  ASSERT_EQ(esegui(dir), 0);
  EXPECT_EQ(file_in(dir), prodotti);
  EXPECT_EQ(read_bytes(dir / "stderr.log"), "Attendere\n");  // no recorded error
  const std::vector<std::pair<std::string, std::size_t>> sizes = {
      {"Belvara_Quintosa_254_scheda_treno.txt", 3149}, {"Belvara_Quintosa_254_rallentamenti.txt", 55},
      {"Belvara_Quintosa_254.dat", 27615},             {"Belvara_Quintosa_linea.dat", 1839964}};
  for (const auto& [nome, size] : sizes) EXPECT_EQ(read_bytes(dir / nome).size(), size) << nome;
  // The program's own files are the golden ones, not just the library's.
  const auto golden = testing_support::golden_digests("embedded.sha256");
  for (const std::string& n : prodotti)
    EXPECT_EQ(testing_support::sha256_hex(read_bytes(dir / n)), golden.at(n)) << n;

  std::map<std::string, std::string> prima;
  for (const std::string& n : prodotti) prima[n] = read_bytes(dir / n);
  // A file under a description text's name is no longer the run's: the
  // texts are written and read in a folder of the run's own, so even one
  // that is not a valid text neither disturbs the run nor is touched.
  const std::string garbage("\0\xff garbage", 10);
  write_bytes(dir / "Belvara_Quintosa_linea.txt", garbage);
  // What a run killed outright (SIGKILL, a power cut) left: removed.
  fs::create_directory(dir / ".belvara_quintosa-0123456789ab");
  write_bytes(dir / ".belvara_quintosa-0123456789ab" / "Belvara_Quintosa_254.sim", "half");
  // And what a killed removal of scenarioc's old copies left: both programs
  // take the folder's lock before they stage there.
  fs::create_directory(dir / ".scenarioc-abcdef012345");
  write_bytes(dir / ".scenarioc-abcdef012345" / ".old-0", "old");
  ASSERT_EQ(esegui(dir), 0);
  std::set<std::string> con_resto = prodotti;
  con_resto.insert("Belvara_Quintosa_linea.txt");
  EXPECT_EQ(file_in(dir), con_resto);
  EXPECT_EQ(read_bytes(dir / "Belvara_Quintosa_linea.txt"), garbage);
  for (const std::string& n : prodotti) EXPECT_EQ(read_bytes(dir / n), prima[n]) << n;
}

TEST(OneShotRun, VersionPrintsTheReleaseAndWritesNothing) {
  TempDir dir;
  ASSERT_EQ(esegui(dir, "--version > \"" + (dir / "stdout.log").string() + "\""), 0);
  EXPECT_EQ(read_bytes(dir / "stdout.log"),
            "belvara_quintosa " + std::string(scenario::version) + "\n");
  EXPECT_EQ(read_bytes(dir / "stderr.log"), "");  // no waiting window either
  fs::remove(dir / "stdout.log");
  EXPECT_EQ(file_in(dir), std::set<std::string>{});
}

TEST(OneShotRun, AFailureLeavesTheFolderAsItWas) {
  // Where the cell file must go stands a directory: the run fails when it
  // would put the set in place, after everything else was written, and the
  // earlier files stay as they were, with no text or folder of the run left.
  TempDir dir;
  fs::create_directory(dir / "Belvara_Quintosa_254.dat");
  std::set<std::string> prima = {"Belvara_Quintosa_254.dat"};
  for (const std::string& n : prodotti) {
    if (prima.insert(n).second) write_bytes(dir / n, "earlier " + n);
  }
  EXPECT_EQ(esegui(dir), 1);
  const std::string report = read_bytes(dir / "stderr.log");
  EXPECT_NE(report.find("Belvara_Quintosa_254.dat\": is a directory"), std::string::npos) << report;
  EXPECT_EQ(file_in(dir), prima);
  for (const std::string& n : prima) {
    if (fs::is_regular_file(dir / n)) {
      EXPECT_EQ(read_bytes(dir / n), "earlier " + n);
    }
  }
}

// A double double-click: two runs started together in one folder take turns
// and each leaves the six files of a run on its own, and nothing else.
TEST(OneShotRun, TwoRunsStartedTogetherLeaveTheSixFiles) {
  TempDir once;
  ASSERT_EQ(esegui(once), 0);
  std::map<std::string, std::string> atteso;
  for (const std::string& n : prodotti) atteso[n] = read_bytes(once / n);

  for (int round = 0; round < 5; ++round) {
    TempDir dir;
    const fs::path exe = dir / fs::path(BELVARA_QUINTOSA_EXE).filename();
    fs::copy_file(BELVARA_QUINTOSA_EXE, exe);
    auto uno = [&](const std::string& n) {
      return "(\"" + exe.string() + "\" 2> \"" + (dir / ("stderr" + n + ".log")).string() +
             "\"; echo $? > \"" + (dir / ("status" + n)).string() + "\")";
    };
    ASSERT_EQ(run_command(uno("1") + " & " + uno("2") + " & wait"), 0);
    EXPECT_EQ(read_bytes(dir / "status1"), "0\n") << read_bytes(dir / "stderr1.log");
    EXPECT_EQ(read_bytes(dir / "status2"), "0\n") << read_bytes(dir / "stderr2.log");
    for (const char* n : {"status1", "status2", "stderr1.log", "stderr2.log"}) fs::remove(dir / n);
    EXPECT_EQ(file_in(dir), prodotti) << "round " << round;
    for (const auto& [n, bytes] : atteso) EXPECT_EQ(read_bytes(dir / n), bytes) << n << ", round " << round;
  }
}

}  // namespace
