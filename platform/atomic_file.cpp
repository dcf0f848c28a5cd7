// Files replaced whole: one file (AtomicFile) and a set of files
// (StagingFolder). Both work through the backends' single system calls, so
// the order of the steps, and what a failure at each leaves, is the same on
// every system.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {

using detail::Error;
using detail::injected;
using detail::no_handle;
using testing::Operation;

namespace {

constexpr std::size_t suffix_length = 12;

}  // namespace

namespace detail {

std::string random_suffix() {
  thread_local std::mt19937_64 random = [] {
    std::random_device seed;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::seed_seq seq{seed(), seed(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
    return std::mt19937_64(seq);
  }();
  static constexpr char digits[] = "0123456789abcdef";
  std::uint64_t bits = random();
  std::string suffix(suffix_length, '0');
  for (char& c : suffix) {
    c = digits[bits & 15];
    bits >>= 4;
  }
  return suffix;
}

}  // namespace detail

namespace {

// Renames as AtomicFile and StagingFolder::publish do: an injected fault,
// or the system's answer.
Error rename_over(const std::string& from, const std::string& to) {
  if (const Error e = injected(Operation::rename)) return e;
  return detail::rename_replacing(from, to);
}

const char* const no_longer_open = "the file was already committed or discarded";

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)), handle_(no_handle), cleanup_(0) {
  const std::size_t start = detail::name_start(path_);
  const std::string_view name = std::string_view(path_).substr(start);
  if (name.empty() || name == "." || name == "..") throw Failure("write", path_, "names no file");
  // Found now, not after all the bytes are written, when the rename fails.
  if (detail::name_kind(path_) == detail::NameKind::directory) {
    throw Failure("write", path_, "is a directory");
  }
  // A long name is cut in the temporary's, which must stay within the
  // system's limit for one name.
  const std::string prefix =
      path_.substr(0, start) + "." + std::string(name.substr(0, 64)) + ".tmp-";
  // Created and put on the list of what an interrupt removes in one step.
  std::lock_guard lock(detail::interrupt_lock());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + detail::random_suffix();
    detail::Handle h = no_handle;
    Error e = injected(Operation::create);
    if (e == 0) e = detail::create_new(candidate, h);
    if (e == 0) {
      detail::HandleGuard guard(h);
      try {
        cleanup_ = detail::add_cleanup(candidate);
      } catch (...) {
        detail::remove_file(candidate);
        throw;
      }
      temporary_ = std::move(candidate);
      handle_ = guard.release();
      return;
    }
    if (!detail::is_taken(e)) {
      throw Failure("create", path_,
                    detail::is_missing(e) ? "its folder does not exist" : detail::reason(e));
    }
  }
  throw Failure("create", path_, "every temporary name tried was taken");
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : path_(std::move(other.path_)),
      temporary_(std::move(other.temporary_)),
      handle_(other.handle_),
      cleanup_(other.cleanup_) {
  other.temporary_.clear();
  other.handle_ = no_handle;
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (handle_ == no_handle) throw Failure("write", path_, no_longer_open);
  Error e = injected(Operation::write);
  if (e == 0) e = detail::write_all(handle_, bytes.data(), bytes.size());
  if (e != 0) fail("write", e);
}

void AtomicFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (handle_ == no_handle) throw Failure("write", path_, no_longer_open);
  Error e = injected(Operation::write);
  if (e == 0) e = detail::write_all_at(handle_, offset, bytes.data(), bytes.size());
  if (e != 0) fail("write", e);
}

void AtomicFile::write(std::string_view bytes) {
  write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size()));
}

void AtomicFile::commit() {
  if (handle_ == no_handle) throw Failure("write", path_, no_longer_open);
  // The rename is what makes the replacement whole: a failure or a crash of
  // the program before it leaves the old file. The bytes are not forced to
  // the disk first (no fsync): that would double the time of the 20 MB plan
  // file for a guarantee against power loss that compilers and cp do not
  // give either; the files can always be compiled again. A failed close
  // (a full disk found late) still stops the rename.
  Error e = injected(Operation::flush);
  if (e != 0) fail("write", e);
  const detail::Handle h = handle_;
  handle_ = no_handle;
  if (const Error closed = detail::close_handle(h)) fail("write", closed);
  {
    // Renamed and taken off the interrupt's list in one step.
    std::lock_guard lock(detail::interrupt_lock());
    e = rename_over(temporary_, path_);
    if (e == 0) {
      detail::drop_cleanup(cleanup_);
      temporary_.clear();
    }
  }
  if (e != 0) fail("replace", e);
}

void AtomicFile::discard() noexcept {
  if (handle_ != no_handle) {
    detail::close_handle(handle_);
    handle_ = no_handle;
  }
  if (temporary_.empty()) return;
  std::lock_guard lock(detail::interrupt_lock());
  detail::remove_file(temporary_);
  detail::drop_cleanup(cleanup_);
  temporary_.clear();
}

void AtomicFile::fail(const char* operation, Error error) {
  std::string why = detail::reason(error);
  discard();
  throw Failure(operation, path_, std::move(why));
}

void replace_file(const std::string& path, std::span<const std::uint8_t> bytes) {
  AtomicFile file(path);
  file.write(bytes);
  file.commit();
}

void replace_file(const std::string& path, std::string_view bytes) {
  AtomicFile file(path);
  file.write(bytes);
  file.commit();
}

StagingFolder::StagingFolder(std::string folder, std::string_view prefix)
    : folder_(folder.empty() ? std::string(".") : std::move(folder)), cleanup_(0) {
  const FileInfo info = file_info(folder_);
  if (info.kind == FileKind::missing) throw Failure("write into", folder_, "does not exist");
  if (info.kind != FileKind::directory) throw Failure("write into", folder_, "is not a directory");
  std::lock_guard lock(detail::interrupt_lock());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = join_path(folder_, std::string(prefix) + detail::random_suffix());
    Error e = injected(Operation::create);
    if (e == 0) e = detail::make_private_folder(candidate);
    if (e == 0) {
      try {
        cleanup_ = detail::add_cleanup(candidate);
      } catch (...) {
        detail::remove_directory(candidate);
        throw;
      }
      path_ = std::move(candidate);
      return;
    }
    if (!detail::is_taken(e)) {
      throw Failure("create a staging folder in", folder_, detail::reason(e));
    }
  }
  throw Failure("create a staging folder in", folder_, "every name tried was taken");
}

void remove_stale_staging(const std::string& folder, std::string_view prefix) noexcept {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec);
  for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::string_view suffix =
        std::string_view(name).substr(std::min(name.size(), prefix.size()));
    // Exactly the names StagingFolder makes, and folders only.
    if (!name.starts_with(prefix) || suffix.size() != suffix_length ||
        suffix.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
      continue;
    }
    std::error_code ignored;
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      std::filesystem::remove_all(it->path(), ignored);
  }
}

// The old files' removal after a publication: freeing a large file's blocks
// takes the file system several milliseconds (7 for a 20 MB plan file just
// written), which the caller need not wait for. A process of its own does
// it where the system has them, and this one ends without waiting for it;
// else a thread does, and the caller waits for it only when it is done with
// everything else.
struct StagingFolder::Clearing {
  std::thread thread;
  bool elsewhere = false;  // handed to a process of its own
};

StagingFolder::~StagingFolder() {
  if (clearing_ && clearing_->thread.joinable()) clearing_->thread.join();
  std::lock_guard lock(detail::interrupt_lock());
  if (!keep_ && !(clearing_ && clearing_->elsewhere)) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  detail::drop_cleanup(cleanup_);
}

std::string StagingFolder::staged(std::string_view name) const { return join_path(path_, name); }

namespace {

// The old copies' names in the staging folder start so.
constexpr std::string_view old_copy = ".old-";

// One file of a set being published, and how far it got.
struct Move {
  std::string staged;
  std::string target;
  std::string old;       // where the old file is kept meanwhile
  bool had_old = false;  // a file stood under the target's name
  bool linked = false;   // the old file has its second name
  bool aside = false;    // the old file was renamed away (no links here)
  bool placed = false;   // the new file is under the target's name
};

// Puts back moves[0..last]: the old files under their names, the new ones
// back in the staging folder. Returns what could not be put back.
std::string put_back(std::vector<Move>& moves, std::size_t last) {
  std::string missed;
  for (std::size_t i = last + 1; i-- > 0;) {
    Move& m = moves[i];
    Error e = 0;
    if (m.placed || m.aside) {
      e = m.had_old ? rename_over(m.old, m.target) : rename_over(m.target, m.staged);
    }
    if (e != 0) {
      missed += "; \"" + m.target + "\" could not be put back (" + detail::reason(e) + ")";
      if (m.had_old) missed += ": its old copy is kept as \"" + m.old + "\"";
    }
  }
  return missed;
}

}  // namespace

void StagingFolder::publish(std::span<const std::string> names, OldFiles old_files) {
  if (clearing_) throw Failure("publish", path_, "was published already");
  std::lock_guard defer(detail::interrupt_lock());
  std::vector<Move> moves;
  for (const std::string& name : names) {
    if (name.empty() || name == "." || name == ".." || detail::name_start(name) != 0 ||
        name.starts_with(old_copy) ||
        std::any_of(moves.begin(), moves.end(),
                    [&](const Move& m) { return m.staged == staged(name); })) {
      throw Failure("publish", name, "is not one plain file name of the set");
    }
    Move m{staged(name), join_path(folder_, name),
           join_path(path_, std::string(old_copy) + std::to_string(moves.size()))};
    if (detail::name_kind(m.staged) != detail::NameKind::other) {
      throw Failure("publish", m.staged, "does not exist");
    }
    switch (detail::name_kind(m.target)) {
      case detail::NameKind::directory: throw Failure("replace", m.target, "is a directory");
      case detail::NameKind::missing: break;
      case detail::NameKind::other: m.had_old = true; break;
    }
    moves.push_back(std::move(m));
  }

  // Every old file gets a second name before any is replaced; until then
  // the folder has not changed.
  for (Move& m : moves) {
    if (!m.had_old) continue;
    Error e = injected(Operation::link);
    if (e == 0) e = detail::make_link(m.target, m.old);
    if (e == 0) {
      m.linked = true;
    } else if (!detail::link_unsupported(e)) {
      throw Failure("keep the old copy of", m.target, detail::reason(e));
    }
  }

  for (std::size_t i = 0; i < moves.size(); ++i) {
    Move& m = moves[i];
    Error e = 0;
    // Without links the old file is renamed away, and its name is empty
    // until the new file takes it.
    if (m.had_old && !m.linked) {
      e = rename_over(m.target, m.old);
      m.aside = e == 0;
    }
    if (e == 0) {
      e = rename_over(m.staged, m.target);
      m.placed = e == 0;
    }
    if (e != 0) {
      std::string why = detail::reason(e);
      const std::string missed = put_back(moves, i);
      if (!missed.empty()) {
        // The old copies are all that is left of the old files.
        keep_ = true;
        detail::drop_cleanup(cleanup_);
      }
      throw Failure("replace", m.target, why + missed);
    }
  }

  // Nothing is left in the staging folder but the old copies. Removed
  // apart, the run's lock on the folder, held by the process that removes
  // them, makes the next run into the folder wait until they are gone; a
  // process killed before that leaves a staging folder the next run
  // removes.
  std::vector<std::string> old_copies;
  for (const Move& m : moves)
    if (m.had_old) old_copies.push_back(m.old);
  try {
    auto clearing = std::make_unique<Clearing>();
    if (old_copies.empty()) {
      // The destructor removes the empty folder.
    } else if (old_files == OldFiles::removed_apart &&
               detail::remove_in_background(old_copies, path_)) {
      clearing->elsewhere = true;
    } else {
      clearing->thread = std::thread([path = path_] {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
      });
    }
    clearing_ = std::move(clearing);
  } catch (...) {
    // No thread to be had: the destructor removes them.
  }
}

}  // namespace platform
