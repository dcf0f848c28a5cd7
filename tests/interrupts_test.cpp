// SIGINT, SIGTERM and SIGHUP remove the temporaries and end the program
// with 128 + the signal; a step that must be done whole finishes first.
// Each case runs in a child process, since the handlers stay for good.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::run_in_child;
using testing_support::TempDir;
using testing_support::write_bytes;

// Waits for the signal to end the process; 99 if it does not.
int wait_for_the_end() {
  for (int i = 0; i < 50; ++i) usleep(100'000);
  return 99;
}

class Interrupt : public ::testing::TestWithParam<int> {};

TEST_P(Interrupt, RemovesTheTemporariesAndEndsWith128PlusTheSignal) {
  const int signal = GetParam();
  TempDir dir;
  write_bytes(dir / "S_254.sim", "old route");
  write_bytes(dir / "estraneo.txt", "not ours");
  const int status = run_in_child([&] {
    platform::install_interrupt_handlers();
    // A set half staged, one file half written, and a folder of the caller's.
    platform::StagingFolder staging(dir.str());
    platform::replace_file(staging.staged("S_254.sim"), "new route");
    platform::AtomicFile file((dir / "S_254.sim").string());
    file.write("new");
    fs::create_directory(dir / "cantiere");
    write_bytes(dir / "cantiere" / "S_linea.txt", "text");
    platform::RemoveOnInterrupt cantiere((dir / "cantiere").string());
    if (names_in(dir.path()).size() != 5) return 98;
    kill(getpid(), signal);
    return wait_for_the_end();
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"S_254.sim", "estraneo.txt"}));
  EXPECT_EQ(read_bytes(dir / "S_254.sim"), "old route");
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupt, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& p) {
                           return std::string(p.param == SIGINT    ? "SIGINT"
                                              : p.param == SIGTERM ? "SIGTERM"
                                                                   : "SIGHUP");
                         });

TEST(Interrupts, WaitForAStepThatMustBeDoneWhole) {
  TempDir dir;
  const int status = run_in_child([&] {
    platform::install_interrupt_handlers();
    platform::RemoveOnInterrupt temporary((dir / "provvisorio").string());
    write_bytes(dir / "provvisorio", "x");
    {
      platform::InterruptsDeferred whole;
      kill(getpid(), SIGTERM);
      usleep(200'000);
      write_bytes(dir / "finito", "the step ended");
    }
    return wait_for_the_end();
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"finito"});
}

TEST(Interrupts, WhatIsNoLongerRegisteredStays) {
  TempDir dir;
  const int status = run_in_child([&] {
    platform::install_interrupt_handlers();
    {
      platform::RemoveOnInterrupt done((dir / "risultato").string());
      write_bytes(dir / "risultato", "kept");
    }
    platform::replace_file((dir / "S_254.sim").string(), "committed");
    kill(getpid(), SIGINT);
    return wait_for_the_end();
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"S_254.sim", "risultato"}));
}

}  // namespace
#endif
