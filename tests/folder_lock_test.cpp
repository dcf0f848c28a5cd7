// Runs that write into one folder take turns, and leave no lock file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::names_in;
using testing_support::TempDir;
using testing_support::write_bytes;
using namespace std::chrono_literals;

TEST(FolderLock, HoldersTakeTurns) {
  TempDir dir;
  fs::create_directory(dir / "uscita");
  std::atomic<int> inside{0};
  std::atomic<int> most{0};
  std::atomic<int> waited{0};
  std::vector<std::thread> runs;
  for (int i = 0; i < 4; ++i) {
    runs.emplace_back([&] {
      for (int round = 0; round < 3; ++round) {
        // Each its own lock on the folder, as separate runs have.
        platform::FolderLock lock((dir / "uscita").string(), [&] { ++waited; });
        EXPECT_TRUE(lock.held());
        const int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(5ms);
        --inside;
      }
    });
  }
  for (std::thread& t : runs) t.join();
  EXPECT_EQ(most.load(), 1);
  EXPECT_GT(waited.load(), 0);
  EXPECT_TRUE(fs::is_empty(dir / "uscita"));
}

TEST(FolderLock, RefusesWhatIsNotAFolder) {
  TempDir dir;
  write_bytes(dir / "file.txt", "x");
  const struct {
    std::string folder;
    std::string message;
  } cases[] = {
      {(dir / "nowhere").string(),
       "cannot lock \"" + (dir / "nowhere").string() + "\": does not exist"},
      {(dir / "file.txt").string(),
       "cannot lock \"" + (dir / "file.txt").string() + "\": is not a directory"},
  };
  for (const auto& c : cases) {
    try {
      platform::FolderLock lock(c.folder);
      ADD_FAILURE() << "no failure for " << c.folder;
    } catch (const platform::Failure& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

#if !defined(_WIN32)
// flock belongs to the open folder, so another process waits too; and the
// system lets go of a lock whose holder was killed.
TEST(FolderLock, AKilledHolderLetsGo) {
  TempDir dir;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  std::fflush(nullptr);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    platform::FolderLock lock(dir.str());
    const char held = 'h';
    if (write(ready[1], &held, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  close(ready[0]);

  std::thread killer([holder] {
    std::this_thread::sleep_for(100ms);
    kill(holder, SIGKILL);
  });
  bool waited = false;
  {
    platform::FolderLock lock(dir.str(), [&] { waited = true; });
    EXPECT_TRUE(lock.held());
  }
  killer.join();
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_TRUE(waited);
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{});
}

// A program started with standard input, output and error closed: the lock
// still gets none of their numbers, so a process forked while it is held,
// which points 0 to 2 at /dev/null as the removal of old files does, holds
// it on after the run has ended.
TEST(FolderLock, AForkedProcessKeepsItWithStandardStreamsClosed) {
  TempDir dir;
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  std::fflush(nullptr);
  const pid_t run = fork();
  ASSERT_GE(run, 0);
  if (run == 0) {
    for (int fd = 0; fd <= 2; ++fd) close(fd);
    platform::FolderLock lock(dir.str());
    char answer = lock.held() ? 'h' : 'n';
    for (int fd = 0; fd <= 2; ++fd)
      if (fcntl(fd, F_GETFD) != -1) answer = 'x';  // the lock's descriptor is one of them
    const pid_t removal = fork();
    if (removal == 0) {
      const int null = open("/dev/null", O_RDWR);
      for (int fd = 0; fd <= 2; ++fd)
        if (null != fd) dup2(null, fd);
      for (;;) pause();
    }
    if (write(report[1], &answer, 1) != 1 || write(report[1], &removal, sizeof removal) != sizeof removal)
      _exit(1);
    _exit(0);
  }
  close(report[1]);
  char answer = 0;
  pid_t removal = -1;
  ASSERT_EQ(read(report[0], &answer, 1), 1);
  ASSERT_EQ(read(report[0], &removal, sizeof removal), static_cast<ssize_t>(sizeof removal));
  close(report[0]);
  int status = 0;
  waitpid(run, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(answer, 'h');

  const int fd = open(dir.str().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), -1) << "the run's lock went with its end";
  kill(removal, SIGKILL);
  EXPECT_EQ(flock(fd, LOCK_EX), 0);
  close(fd);
}

// Readers of a folder share it: they do not wait for each other, and a
// writer waits for them all, as they wait for a writer.
TEST(FolderLock, ReadersShareItAndWritersWaitForThem) {
  TempDir dir;
  {
    const platform::FolderLock first(dir.str(), {}, platform::FolderLock::Mode::shared);
    bool waited = false;
    const platform::FolderLock second(dir.str(), [&] { waited = true; }, platform::FolderLock::Mode::shared);
    EXPECT_FALSE(waited);
    EXPECT_TRUE(first.held() && second.held());
    const int fd = open(dir.str().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), -1);
    close(fd);
  }
  std::atomic<bool> written{false};
  std::optional<platform::FolderLock> writer;
  writer.emplace(dir.str());
  std::thread reader([&] {
    const platform::FolderLock lock(dir.str(), {}, platform::FolderLock::Mode::shared);
    EXPECT_TRUE(written.load());
  });
  std::this_thread::sleep_for(50ms);
  written = true;
  writer.reset();
  reader.join();
}
#endif

}  // namespace
