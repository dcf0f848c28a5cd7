#include "process_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#if !defined(_WIN32)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace testing_support {

#if defined(_WIN32)

ProcessRun run_process(const std::vector<std::string>&, const std::string&) { return {}; }
double load_average() { return -1; }

#else

ProcessRun run_process(const std::vector<std::string>& argv, const std::string& folder) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // glibc 2.29 and later; the child starts in the folder it is measured in.
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

  ProcessRun r;
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int e = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (e != 0) return r;
  int status = 0;
  rusage u{};
  if (wait4(pid, &status, 0, &u) != pid) return r;
  r.wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  r.cpu_ms = ms(u.ru_utime) + ms(u.ru_stime);
  r.peak_kib = u.ru_maxrss;
  r.page_faults = u.ru_minflt + u.ru_majflt;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

double load_average() {
  double load[1];
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

#endif

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace testing_support
