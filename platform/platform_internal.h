// What the two backends give the shared code of this layer, and what the
// shared code keeps for them. The system calls here report a failure as a
// code instead of throwing, so the shared code decides what it means and
// which name a Failure carries. Not for use outside platform/.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace platform::detail {

// A system error code: errno on POSIX, GetLastError() on Windows. 0 is
// success.
using Error = int;

// A file handle: a descriptor on POSIX, a HANDLE on Windows.
using Handle = std::intptr_t;
inline constexpr Handle no_handle = -1;

// ---- Backend ----

// Why a call failed, in the words of a Failure ("does not exist").
std::string reason(Error error);
// The same for an errno value from the C library (standard output).
std::string reason_for_errno(int error);
// Errors with a meaning of their own to the shared code.
bool is_missing(Error error);            // the name is not there
bool is_taken(Error error);              // create_new, make_private_folder: the name exists
bool link_unsupported(Error error);      // make_link: not on this file system
bool is_other_file_system(Error error);  // rename_replacing: not within one file system
// The code the system gives for an injected fault.
Error error_for(testing::Fault fault);

// Creates `path` as a new, empty file open for writing.
Error create_new(const std::string& path, Handle& out);
Error write_all(Handle handle, const std::uint8_t* data, std::size_t size);
// The same at `offset`; where a later write_all() goes is the system's.
Error write_all_at(Handle handle, std::uint64_t offset, const std::uint8_t* data, std::size_t size);
Error close_handle(Handle handle);
// Renames `from` over `to`, which may exist; a link at `to` is replaced.
// Retries briefly where the system refuses because someone else has `to`
// open (Windows).
Error rename_replacing(const std::string& from, const std::string& to);
// A second name `link` for the file `existing` (a link is not followed).
Error make_link(const std::string& existing, const std::string& link);
Error remove_file(const std::string& path);
// Removes an empty directory; refused when it holds anything.
Error remove_directory(const std::string& path);
// Opens an existing file for reading. Without `wait`, opening a FIFO does
// not wait for a writer.
Error open_existing(const std::string& path, bool wait, Handle& out);
// Reads up to `size` bytes; `got` is 0 at the end of the file.
Error read_some(Handle handle, std::uint8_t* buffer, std::size_t size, std::size_t& got);
// What an open file is.
Error handle_info(Handle handle, FileInfo& out);
// Removes `files`, then the folder `folder`, in a process of its own that
// outlives this one, holding what this process holds open (a folder's
// lock) until it is done. False when no such process can be had (Windows,
// or the system refuses one): nothing is removed then.
bool remove_in_background(const std::vector<std::string>& files, const std::string& folder);
// A new folder only the current user may enter.
Error make_private_folder(const std::string& path);
// Where the temporary directory comes from: the environment variable that
// sets it (empty when none does) and the directory.
struct Setting {
  std::string variable;
  std::string value;
};
Setting temporary_directory_setting();

// What a name itself is, a link not followed.
enum class NameKind { missing, directory, other };
NameKind name_kind(const std::string& path);

// `path` up to and including its last separator ("" when it has none), and
// the rest.
std::size_t name_start(std::string_view path);

// ---- Shared ----

// Closes a handle when it goes out of scope.
class HandleGuard {
 public:
  explicit HandleGuard(Handle handle) : handle_(handle) {}
  ~HandleGuard() {
    if (handle_ != no_handle) close_handle(handle_);
  }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  Handle get() const { return handle_; }
  // Hands the handle over: the guard no longer closes it.
  Handle release() {
    const Handle h = handle_;
    handle_ = no_handle;
    return h;
  }

 private:
  Handle handle_;
};

// A hard-to-guess suffix for temporary names.
std::string random_suffix();

// The fault planned for this operation, if a plan is set; an untaken branch
// otherwise.
extern std::atomic<bool> faults_planned;
Error planned_fault(testing::Operation operation);
inline Error injected(testing::Operation operation) {
  if (!faults_planned.load(std::memory_order_relaxed)) [[likely]] return 0;
  return planned_fault(operation);
}

// The paths removed on an interrupt. The lock is held while the list
// changes, while a step that must be done whole runs, and by the interrupt
// while it cleans up and ends the process.
std::recursive_mutex& interrupt_lock();
std::uint64_t add_cleanup(std::string path);
void drop_cleanup(std::uint64_t id) noexcept;
// Removes every path on the list; called with interrupt_lock() held.
void run_cleanups() noexcept;

}  // namespace platform::detail
