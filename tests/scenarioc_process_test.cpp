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
}

}  // namespace
