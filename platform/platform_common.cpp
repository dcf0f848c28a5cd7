// Shared by both backends: the failure type, the directory operations that
// std::filesystem makes the same on every system, reading files, facts
// about files and standard output. The system calls themselves are in the
// backends (platform_internal.h).
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {

namespace fs = std::filesystem;
using detail::Error;
using detail::Handle;
using detail::HandleGuard;

namespace {

std::string failure_text(const std::string& operation, const std::string& path,
                         const std::string& reason) {
  std::string text = "cannot " + operation;
  if (!path.empty()) text += " \"" + path + "\"";
  if (!reason.empty()) text += ": " + reason;
  return text;
}

// Why `path` could not be opened; on Windows a directory is refused as
// "access denied", which says less than what it is.
std::string open_failure(const std::string& path, Error error) {
  if (!detail::is_missing(error) && detail::name_kind(path) == detail::NameKind::directory) {
    return "is a directory";
  }
  return detail::reason(error);
}

Handle open_for_reading(const std::string& path, bool wait) {
  Handle h = detail::no_handle;
  if (const Error e = detail::open_existing(path, wait, h)) {
    throw Failure("open", path, open_failure(path, e));
  }
  return h;
}

std::string too_large(std::uint64_t size, std::uint64_t max_bytes) {
  return "is " + std::to_string(size) + " bytes, more than the " + std::to_string(max_bytes) +
         " bytes allowed";
}

// Reads what is left of an open file, at most `max_bytes` + 1 bytes.
std::string read_rest(const std::string& path, Handle h, std::uint64_t max_bytes,
                      std::uint64_t expected) {
  std::string data;
  if (expected > 0) data.reserve(static_cast<std::size_t>(std::min(expected, max_bytes)));
  std::uint8_t chunk[65536];
  for (;;) {
    std::size_t want = sizeof chunk;
    const std::uint64_t left = max_bytes - std::min<std::uint64_t>(max_bytes, data.size());
    if (left + 1 < want) want = static_cast<std::size_t>(left + 1);
    std::size_t got = 0;
    if (const Error e = detail::read_some(h, chunk, want, got)) {
      throw Failure("read", path, detail::reason(e));
    }
    if (got == 0) return data;
    data.append(reinterpret_cast<const char*>(chunk), got);
    if (data.size() > max_bytes) return data;
  }
}

}  // namespace

Failure::Failure(std::string operation, std::string path, std::string reason)
    : std::runtime_error(failure_text(operation, path, reason)),
      operation_(std::move(operation)),
      path_(std::move(path)) {}

std::string create_private_directory(std::string_view prefix) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) {
    const detail::Setting from = detail::temporary_directory_setting();
    const FileInfo info = from.value.empty() ? FileInfo{} : file_info(from.value);
    const std::string why = info.kind == FileKind::missing     ? "does not exist"
                            : info.kind != FileKind::directory ? "is not a directory"
                                                               : ec.message();
    throw Failure("use the temporary directory", from.value,
                  from.variable.empty() ? why : why + " (set by " + from.variable + ")");
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = (base / (std::string(prefix) + detail::random_suffix())).string();
    const Error e = detail::make_private_folder(candidate);
    if (e == 0) return candidate;
    // A name that is taken is somebody else's: another name is tried.
    if (!detail::is_taken(e)) throw Failure("create the directory", candidate, detail::reason(e));
  }
  throw Failure("create a temporary directory in", base.string(), "every name tried was taken");
}

void remove_tree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  if (ec) throw Failure("remove the directory", path, ec.message());
}

bool directory_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

void create_directories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (!directory_exists(path))
    throw Failure("create the directory", path, ec ? ec.message() : "a file stands there");
}

void create_directory(const std::string& path) {
  if (directory_exists(path)) return;
  std::error_code ec;
  fs::path p(path);
  if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();  // "dir/"
  // As mkdir refuses it: a missing parent is most likely a mistyped path.
  if (p.has_parent_path() && !fs::is_directory(p.parent_path(), ec))
    throw Failure("create the directory", path, "its parent folder does not exist");
  fs::create_directory(p, ec);
  if (!directory_exists(path))
    throw Failure("create the directory", path, ec ? ec.message() : "a file stands there");
}

std::string read_file(const std::string& path) {
  HandleGuard h(open_for_reading(path, true));
  FileInfo info;
  const bool sized = detail::handle_info(h.get(), info) == 0 && info.kind == FileKind::regular;
  return read_rest(path, h.get(), UINT64_MAX - 1, sized ? info.size : 0);
}

bool name_taken(const std::string& path) { return detail::name_kind(path) != detail::NameKind::missing; }

std::string read_file_limited(const std::string& path, std::uint64_t max_bytes) {
  auto refuse_unfit = [&](const FileInfo& info) {
    if (info.kind == FileKind::missing) throw Failure("read", path, "does not exist");
    if (info.kind != FileKind::regular) {
      throw Failure("read", path, "is " + std::string(describe(info.kind)));
    }
    if (info.size > max_bytes) throw Failure("read", path, too_large(info.size, max_bytes));
  };
  // Looked at before it is opened, so that no device is opened and no FIFO
  // waited on; and again once open, in case the name changed in between.
  FileInfo info = file_info(path);
  refuse_unfit(info);
  HandleGuard h(open_for_reading(path, false));
  if (const Error e = detail::handle_info(h.get(), info)) {
    throw Failure("read", path, detail::reason(e));
  }
  refuse_unfit(info);
  std::string data = read_rest(path, h.get(), max_bytes, info.size);
  if (data.size() > max_bytes) {
    throw Failure("read", path,
                  "grew past the " + std::to_string(max_bytes) + " bytes allowed while read");
  }
  return data;
}

void copy_file(const std::string& from, const std::string& to) {
  HandleGuard in(open_for_reading(from, true));
  AtomicFile out(to);
  std::string chunk(std::size_t{1} << 20, '\0');
  for (;;) {
    std::size_t got = 0;
    if (const Error e = detail::read_some(in.get(), reinterpret_cast<std::uint8_t*>(chunk.data()),
                                          chunk.size(), got)) {
      throw Failure("read", from, detail::reason(e));
    }
    if (got == 0) break;
    out.write(std::string_view(chunk.data(), got));
  }
  out.commit();
}

void move_file(const std::string& from, const std::string& to) {
  const Error e = detail::rename_replacing(from, to);
  if (e == 0) return;
  if (!detail::is_other_file_system(e)) throw Failure("move a file to", to, detail::reason(e));
  copy_file(from, to);
  delete_file(from);
}

std::string parent_folder(std::string_view path) {
  const std::size_t start = detail::name_start(path);
  return start == 0 ? std::string(".") : std::string(path.substr(0, start));
}

bool same_file(const std::string& a, const std::string& b) {
  const FileInfo x = file_info(a);
  const FileInfo y = file_info(b);
  return x.kind != FileKind::missing && y.kind != FileKind::missing && x.identity == y.identity;
}

std::string_view describe(FileKind kind) {
  switch (kind) {
    case FileKind::missing: return "missing";
    case FileKind::regular: return "a regular file";
    case FileKind::directory: return "a directory";
    case FileKind::fifo: return "a FIFO";
    case FileKind::device: return "a device";
    case FileKind::other: return "not a regular file";
  }
  return "not a regular file";
}

bool close_standard_output(std::string_view program) {
  const bool earlier = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int error = flushed ? 0 : errno;
  // The close tells what some file systems report only then (NFS).
  errno = 0;
  const bool closed = std::fclose(stdout) == 0;
  if (!closed && error == 0) error = errno;
  // A standard output the program was started without (">&-") is no loss
  // when nothing was written to it.
  const bool lost = earlier || !flushed || (!closed && error != EBADF);
  if (lost) {
    std::string line(program);
    line += ": write error on standard output";
    if (error != 0) line += ": " + detail::reason_for_errno(error);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  const bool told = std::fflush(stderr) == 0 && std::ferror(stderr) == 0;
  return !lost && told;
}

std::vector<std::string> list_files(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
  }
  if (ec) throw Failure("list the directory", dir, ec.message());
  return names;
}

}  // namespace platform
