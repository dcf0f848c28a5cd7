// Helpers shared by the tests: a private temporary directory that removes
// itself, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string read_bytes(const std::filesystem::path& file);
void write_bytes(const std::filesystem::path& file, const std::string& bytes);

// Runs a shell command line; returns its exit status (or -1).
int run_command(const std::string& command_line);

// The names in a folder, sorted: what a test expects a folder to hold.
std::vector<std::string> names_in(const std::filesystem::path& folder);

// Every name in the folder, hidden ones too, with what it holds: a folder as
// "<folder>", small files as they are, larger ones by their size and a
// digest, so that a failure prints something readable.
std::map<std::string, std::string> folder_contents(const std::filesystem::path& folder);

#if !defined(_WIN32)
// Runs `body` in a child process, which ends with what it returns; returns
// the child's wait status. Standard output and error are flushed first, so
// the child does not write them again.
int run_in_child(const std::function<int()>& body);
#endif

}  // namespace testing_support
