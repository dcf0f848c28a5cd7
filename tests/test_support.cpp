#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "platform/platform.h"

namespace testing_support {

TempDir::TempDir() {
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("scenario_test_" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

int run_command(const std::string& command_line) {
#if defined(_WIN32)
  // cmd /c drops the first and the last quote of a line that has more than
  // two; an outer pair keeps `"prog" 2> "log"` intact.
  return std::system(("\"" + command_line + "\"").c_str());
#else
  int status = std::system(command_line.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
#endif
}

std::vector<std::string> names_in(const std::filesystem::path& folder) {
  // Once no run holds the folder: a run's old files may still be going, in
  // a process of their own, after the run has ended.
  const platform::FolderLock settled(folder.string());
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> folder_contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> c;
  for (const std::string& n : names_in(folder)) {
    if (std::filesystem::is_directory(folder / n)) {
      c[n] = "<folder>";
      continue;
    }
    const std::string bytes = read_bytes(folder / n);
    c[n] = bytes.size() < 64 ? bytes
                             : std::to_string(bytes.size()) + " bytes, digest " +
                                   std::to_string(std::hash<std::string>{}(bytes));
  }
  return c;
}

#if !defined(_WIN32)
int run_in_child(const std::function<int()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot fork");
  if (child == 0) {
    int result = 100;
    try {
      result = body();
    } catch (...) {
      result = 101;
    }
    _exit(result);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for the child");
  }
  return status;
}
#endif
}  // namespace testing_support
