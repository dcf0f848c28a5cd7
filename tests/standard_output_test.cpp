// Output lost on its way to standard output or standard error makes the
// program fail and say so, as GNU tools do.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace {

using testing_support::read_bytes;
using testing_support::run_in_child;
using testing_support::TempDir;

enum class Out { file, full_disk, closed, closed_pipe };

struct Case {
  const char* name;
  Out out;
  std::string written;
  bool error_fails = false;  // standard error on a full disk too
  bool ok;
  std::string message;  // on standard error
};

std::string prefix(bool ok) { return ok ? "" : "prog: write error on standard output"; }

TEST(CloseStandardOutput, FailsWhenOutputWasLost) {
  const Case cases[] = {
      {"written whole", Out::file, "{\"files\": []}", false, true, ""},
      {"full disk", Out::full_disk, "{\"files\": []}", false, false,
       prefix(false) + ": no space left on the device\n"},
      // Failed when written, before the end.
      {"full disk, a large write", Out::full_disk, std::string(1 << 16, 'x'), false, false,
       prefix(false)},
      {"closed, nothing written", Out::closed, "", false, true, ""},
      {"closed, written", Out::closed, "x", false, false, prefix(false) + ": is not open\n"},
      {"nobody reads", Out::closed_pipe, "x", false, false,
       prefix(false) + ": the reading end is closed\n"},
      {"standard error lost", Out::file, "x", true, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string out = (dir / "out").string();
    const std::string err = (dir / "err").string();
    const int status = run_in_child([&] {
      const int err_fd = open(c.error_fails ? "/dev/full" : err.c_str(), O_WRONLY | O_CREAT, 0644);
      dup2(err_fd, 2);
      switch (c.out) {
        case Out::file: dup2(open(out.c_str(), O_WRONLY | O_CREAT, 0644), 1); break;
        case Out::full_disk: dup2(open("/dev/full", O_WRONLY), 1); break;
        case Out::closed: close(1); break;
        case Out::closed_pipe: {
          int p[2];
          if (pipe(p) != 0) return 97;
          close(p[0]);
          dup2(p[1], 1);
          std::signal(SIGPIPE, SIG_IGN);
          break;
        }
      }
      std::fwrite(c.written.data(), 1, c.written.size(), stdout);
      if (c.error_fails) std::fputs("a warning\n", stderr);
      return platform::close_standard_output("prog") ? 0 : 2;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.ok ? 0 : 2);
    if (c.error_fails) continue;
    const std::string said = read_bytes(err);
    EXPECT_EQ(said.substr(0, c.message.size()), c.message);
    EXPECT_EQ(said.empty(), c.ok) << said;
    if (c.out == Out::file) {
      EXPECT_EQ(read_bytes(out), c.written);
    }
  }
}

}  // namespace
#endif
