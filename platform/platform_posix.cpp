// POSIX backend: headless. The waiting window and the message box become
// lines on standard error, so the program runs in scripts and CI.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>
#include <thread>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {

namespace detail {

std::string reason(Error error) {
  switch (error) {
    case ENOENT: return "does not exist";
    case ENOTDIR: return "a part of the path is not a directory";
    case EISDIR: return "is a directory";
    case EACCES: return "permission denied";
    case EPERM: return "not permitted";
    case ENOSPC: return "no space left on the device";
    case EDQUOT: return "the disk quota is used up";
    case EROFS: return "the file system is read-only";
    case EIO: return "input/output error";
    case EEXIST: return "already exists";
    case ENOTEMPTY: return "is a directory that is not empty";
    case ENAMETOOLONG: return "the name is too long";
    case ELOOP: return "too many levels of symbolic links";
    case EBUSY:
    case ETXTBSY: return "is in use";
    case EMFILE:
    case ENFILE: return "too many open files";
    case EFBIG: return "the file is too large";
    case EXDEV: return "is on another file system";
    case EPIPE: return "the reading end is closed";
    case EBADF: return "is not open";
    default: return std::strerror(error);
  }
}

std::string reason_for_errno(int error) { return reason(error); }

bool is_missing(Error error) { return error == ENOENT; }
bool is_taken(Error error) { return error == EEXIST; }
bool is_other_file_system(Error error) { return error == EXDEV; }

bool link_unsupported(Error error) {
  // Linux says EPERM for a file system without hard links (FAT), and for a
  // file of another user under fs.protected_hardlinks.
  return error == EPERM || error == EMLINK || error == EOPNOTSUPP || error == ENOTSUP ||
         error == ENOSYS;
}

Error error_for(testing::Fault fault) {
  switch (fault) {
    case testing::Fault::no_space: return ENOSPC;
    case testing::Fault::io_error: return EIO;
    case testing::Fault::access_denied: return EACCES;
    case testing::Fault::no_links: return EPERM;
  }
  return EIO;
}

namespace {

int to_fd(Handle h) { return static_cast<int>(h); }

Error open_fd(const std::string& path, int flags, mode_t mode, Handle& out) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  out = fd;
  return 0;
}

FileInfo info_from(const struct stat& st) {
  FileInfo info;
  if (S_ISREG(st.st_mode)) {
    info.kind = FileKind::regular;
    info.size = static_cast<std::uint64_t>(st.st_size);
  } else if (S_ISDIR(st.st_mode)) {
    info.kind = FileKind::directory;
  } else if (S_ISFIFO(st.st_mode)) {
    info.kind = FileKind::fifo;
  } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    info.kind = FileKind::device;
  } else {
    info.kind = FileKind::other;
  }
  info.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  info.modified = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                  static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
  return info;
}

}  // namespace

Error create_new(const std::string& path, Handle& out) {
  return open_fd(path, O_WRONLY | O_CREAT | O_EXCL, 0644, out);
}

Error write_all(Handle handle, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(to_fd(handle), data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

Error write_all_at(Handle handle, std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::pwrite(to_fd(handle), data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

namespace {

// The processes remove_in_background() started, until they are waited for.
std::mutex background_lock;
std::vector<pid_t> background;

}  // namespace

bool remove_in_background(const std::vector<std::string>& files, const std::string& folder) {
  // After fork() the child of a process with threads may only make system
  // calls: everything it reads is ready before.
  std::vector<const char*> paths;
  for (const std::string& f : files) paths.push_back(f.c_str());
  const char* const folder_path = folder.c_str();
  std::lock_guard guard(background_lock);
  // Those done since the last time are waited for now, so that a process
  // that publishes again and again does not collect them.
  std::erase_if(background, [](pid_t p) { return ::waitpid(p, nullptr, WNOHANG) != 0; });
  background.reserve(background.size() + 1);
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // A reader of the program's output sees its end when the program ends,
    // not when this process does.
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd)
      if (null >= 0 && null != fd) ::dup2(null, fd);
    for (const char* p : paths) ::unlink(p);
    ::rmdir(folder_path);
    ::_exit(0);
  }
  background.push_back(child);
  return true;
}

Error close_handle(Handle handle) {
  // Linux closes the descriptor even when close() is interrupted.
  if (::close(to_fd(handle)) != 0 && errno != EINTR) return errno;
  return 0;
}

Error rename_replacing(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

Error make_link(const std::string& existing, const std::string& link) {
  return ::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, link.c_str(), 0) == 0 ? 0 : errno;
}

Error remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

Error open_existing(const std::string& path, bool wait, Handle& out) {
  return open_fd(path, O_RDONLY | O_NOCTTY | (wait ? 0 : O_NONBLOCK), 0, out);
}

Error read_some(Handle handle, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
  for (;;) {
    const ssize_t n = ::read(to_fd(handle), buffer, size);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

Error handle_info(Handle handle, FileInfo& out) {
  struct stat st;
  if (::fstat(to_fd(handle), &st) != 0) return errno;
  out = info_from(st);
  return 0;
}

Error make_private_folder(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0 ? 0 : errno;
}

Setting temporary_directory_setting() {
  // The variables std::filesystem::temp_directory_path reads, in its order.
  for (const char* variable : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return {variable, value};
  }
  return {"", "/tmp"};
}

NameKind name_kind(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? NameKind::missing : NameKind::other;
  }
  return S_ISDIR(st.st_mode) ? NameKind::directory : NameKind::other;
}

std::size_t name_start(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace detail

using detail::reason;

namespace {

void write_stderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

std::string program_directory() {
  std::string exe(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
  if (n <= 0) throw Failure("find the program directory", "/proc/self/exe", reason(errno));
  exe.resize(static_cast<std::size_t>(n));
  std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return exe.substr(0, slash);
}

bool arguments_in_utf8() {
  // Whatever the locale says: the names authors type come from UTF-8 terminals.
  return true;
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
  if (::unlink(path.c_str()) != 0) throw Failure("delete", path, reason(errno));
}

FileInfo file_info(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return FileInfo{};
    throw Failure("examine", path, reason(errno));
  }
  return detail::info_from(st);
}

FolderLock::FolderLock(const std::string& folder, const std::function<void()>& on_wait, Mode mode)
    : handle_(detail::no_handle) {
  detail::Handle h = detail::no_handle;
  if (const detail::Error e = detail::open_fd(folder, O_RDONLY | O_DIRECTORY, 0, h)) {
    throw Failure("lock", folder, e == ENOTDIR ? "is not a directory" : reason(e));
  }
  // Started with standard input, output or error closed, the folder gets
  // one of their numbers; the removal process points those at /dev/null
  // and would let go of the lock with it.
  if (h <= STDERR_FILENO) {
    const int moved = ::fcntl(static_cast<int>(h), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int e = errno;
    detail::close_handle(h);
    if (moved < 0) throw Failure("lock", folder, reason(e));
    h = moved;
  }
  detail::HandleGuard guard(h);
  const int fd = static_cast<int>(guard.get());
  const int kind = mode == Mode::shared ? LOCK_SH : LOCK_EX;
  int r = ::flock(fd, kind | LOCK_NB);
  if (r != 0 && errno == EWOULDBLOCK) {
    if (on_wait) on_wait();
    do {
      r = ::flock(fd, kind);
    } while (r != 0 && errno == EINTR);
  }
  if (r != 0) {
    const int e = errno;
    // No such locks here (some network file systems): the run goes on
    // without one rather than not at all.
    if (e != ENOLCK && e != EOPNOTSUPP && e != ENOTSUP && e != EINVAL && e != EBADF) {
      throw Failure("lock", folder, reason(e));
    }
  }
  held_ = r == 0;
  handle_ = guard.release();
}

FolderLock::~FolderLock() {
  // Closing the descriptor releases the lock.
  if (handle_ != detail::no_handle) ::close(static_cast<int>(handle_));
}

void install_interrupt_handlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, s);
    // Blocked here, and so in every thread started from now on; only the
    // thread below takes them. A signal ignored at start is dropped when
    // sent, blocked or not, and stays ignored.
    if (const int e = ::pthread_sigmask(SIG_BLOCK, &signals, nullptr)) {
      throw Failure("watch for interrupts", "", reason(e));
    }
    try {
      std::thread([signals] {
        for (;;) {
          int signal = 0;
          if (::sigwait(&signals, &signal) != 0) continue;
          // Waits for a step that must be done whole, and keeps any other
          // from starting.
          detail::interrupt_lock().lock();
          detail::run_cleanups();
          ::_exit(128 + signal);
        }
      }).detach();
    } catch (const std::system_error& e) {
      ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
      throw Failure("watch for interrupts", "", e.what());
    }
  });
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
    if (errno != EINTR) throw Failure("read", "standard input", detail::reason(errno));
  }
}

void write_standard_output(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Failure("write", "standard output", detail::reason(errno));
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace platform
