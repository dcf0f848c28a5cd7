// One program run as a process and measured as its user sees it: the wall
// time from its start to its end, its processor time (user and system), its
// peak memory and its page faults, as the system counts them for a child.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProcessRun {
  int status = -1;       // exit status, -1 when it did not end normally
  double wall_ms = 0;
  double cpu_ms = 0;     // user and system
  long peak_kib = 0;
  long page_faults = 0;  // minor and major
};

// Runs `argv` (argv[0] looked up on PATH when it has no slash) in `folder`,
// with standard output and error thrown away.
ProcessRun run_process(const std::vector<std::string>& argv, const std::string& folder = ".");

double median(std::vector<double> v);

// The system's load average over the last minute, or -1 where unknown.
double load_average();

}  // namespace testing_support
