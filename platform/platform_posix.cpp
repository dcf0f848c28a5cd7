// POSIX backend: headless. The waiting window and the message box become
// lines on standard error, so the program runs in scripts and CI.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace platform {
namespace {

std::string reason() { return std::strerror(errno); }

int open_for_writing(const std::string& path, int extra_flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | extra_flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw Failure("create", path, reason());
  return fd;
}

void write_stderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

std::string program_directory() {
  std::string exe(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
  if (n <= 0) throw Failure("find the program directory", "/proc/self/exe", reason());
  exe.resize(static_cast<std::size_t>(n));
  std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

std::string join_path(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void delete_file(const std::string& path) {
  if (::unlink(path.c_str()) != 0) throw Failure("delete", path, reason());
}

std::string read_file(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Failure("open", path, reason());
  std::string data;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      std::string why = reason();
      ::close(fd);
      throw Failure("read", path, why);
    }
    data.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

OutputFile::OutputFile(std::string path, std::intptr_t handle)
    : path_(std::move(path)), handle_(handle) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_) {
  other.handle_ = -1;
}

OutputFile::~OutputFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(static_cast<int>(handle_), p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Failure("write", path_, reason());
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void OutputFile::close() {
  if (handle_ < 0) return;
  int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (::close(fd) != 0) throw Failure("close", path_, reason());
}

OutputFile create_replacing(const std::string& path) {
  // Create, close, delete, create anew: the file is new and empty whatever
  // stood under its name before.
  ::close(open_for_writing(path, 0));
  delete_file(path);
  return OutputFile(path, open_for_writing(path, O_TRUNC));
}

void show_waiting_window() { write_stderr("Attendere"); }

void message_box(std::string_view text) { write_stderr(text); }

void report_failure(std::string_view text) { write_stderr(text); }

void notice(std::string_view text) { write_stderr(text); }

void end_program(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

std::string path_from_utf8(std::string_view path) { return std::string(path); }
std::string path_to_utf8(std::string_view path) { return std::string(path); }

std::size_t read_standard_input(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw Failure("read", "standard input", reason());
  }
}

void write_standard_output(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Failure("write", "standard output", reason());
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace platform
