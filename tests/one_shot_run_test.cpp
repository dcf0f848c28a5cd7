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
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string n = e.path().filename().string();
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
  // A leftover under a text's name, even one that is not a valid text, does
  // not disturb the next run.
  write_bytes(dir / "Belvara_Quintosa_linea.txt", std::string("\0\xff garbage", 10));
  ASSERT_EQ(esegui(dir), 0);
  EXPECT_EQ(file_in(dir), prodotti);
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

TEST(OneShotRun, AFileThatCannotBeWrittenEndsTheRunWithAReport) {
  TempDir dir;
  // A directory where the line description must be created: the first
  // write fails, so no file at all is produced.
  fs::create_directory(dir / "Belvara_Quintosa_linea.txt");
  EXPECT_NE(esegui(dir), 0);
  const std::string report = read_bytes(dir / "stderr.log");
  EXPECT_NE(report.find("Belvara_Quintosa_linea.txt"), std::string::npos) << report;
  EXPECT_EQ(file_in(dir), std::set<std::string>{"Belvara_Quintosa_linea.txt"});

  // Where the cell file must go: the files finished before it stay.
  TempDir later;
  fs::create_directory(later / "Belvara_Quintosa_254.dat");
  EXPECT_NE(esegui(later), 0);
  EXPECT_NE(read_bytes(later / "stderr.log").find("Belvara_Quintosa_254.dat"), std::string::npos);
  EXPECT_TRUE(fs::exists(later / "Belvara_Quintosa_254.sim"));
  EXPECT_TRUE(fs::exists(later / "Belvara_Quintosa_linea.dat"));
}

}  // namespace
