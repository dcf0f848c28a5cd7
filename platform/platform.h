// The one place that knows which operating system runs the program: the
// program's directory, file names, files and how they are replaced, locks
// on folders, interrupts, standard output, the waiting window, the message
// box and ending the process. A Windows and a POSIX backend implement it;
// nothing above this layer includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file operation that did not succeed. Carried up to the run driver, which
// reports it once; `operation` and `path` name what failed, `reason` why
// ("does not exist", "is a directory", "no space left on the device").
class Failure : public std::runtime_error {
 public:
  Failure(std::string operation, std::string path, std::string reason);
  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }

 private:
  std::string operation_;
  std::string path_;
};

// Whether the program's arguments come in UTF-8 (POSIX), rather than in
// the system's 8-bit code page (Windows).
bool arguments_in_utf8();

// The directory that holds the running program file, without a trailing
// separator unless it is a root directory.
std::string program_directory();

// `dir` + separator + `name`; a directory that already ends in a separator
// (a root directory) gets no second one.
std::string join_path(std::string_view dir, std::string_view name);

// The folder that holds `path` as the file functions take it: "." for a
// plain name.
std::string parent_folder(std::string_view path);

bool file_exists(const std::string& path);
void delete_file(const std::string& path);

// Reads the whole file. Throws Failure when it cannot be opened or read.
std::string read_file(const std::string& path);

// A new, empty directory under the system's temporary directory that only
// the current user may enter, named `prefix` and a random suffix. Throws
// Failure.
std::string create_private_directory(std::string_view prefix);

// Removes a directory and everything below it; nothing when it is missing.
// Throws Failure.
void remove_tree(const std::string& path);

bool directory_exists(const std::string& path);

// Creates a directory and any missing parents; nothing when it exists.
// Throws Failure.
void create_directories(const std::string& path);

// Creates a directory as mkdir does, its parent being there already;
// nothing when it exists. Throws Failure ("its parent folder does not
// exist" when it is missing).
void create_directory(const std::string& path);

// Copies a file's bytes to `to`, replacing whatever stood under that name
// as AtomicFile does. Throws Failure.
void copy_file(const std::string& from, const std::string& to);

// Moves a file to `to`, replacing a file that stood there; between two file
// systems by an atomic copy (copy_file) and then deleting the original.
// Throws Failure.
void move_file(const std::string& from, const std::string& to);

// ---- Writing files whole ----

// A file written whole or not at all. The bytes go to a new file under a
// unique temporary name in the target's own folder (".NAME.tmp-" and a
// random suffix); commit() flushes them to the disk and renames the
// temporary over the target in one step, so whoever opens the target finds
// the old file or the new one, never a part. A symbolic link at the target's
// name is itself replaced, never followed. Until commit() the target is
// untouched: a failed write or commit, or an AtomicFile destroyed without
// commit(), removes the temporary, and so does an interrupt (see
// install_interrupt_handlers). Every failure is a Failure naming the target.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&&) = delete;
  AtomicFile(const AtomicFile&) = delete;
  ~AtomicFile();

  void write(std::span<const std::uint8_t> bytes);
  void write(std::string_view bytes);
  // Writes at `offset`, the bytes between the end and `offset` reading as
  // zeros until written: for a file whose parts are ready out of order. A
  // file is written with write() or with write_at(), not both: where
  // write() goes on after a write_at() differs between systems.
  void write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void commit();
  // Removes the temporary and leaves the target as it was; nothing when the
  // file is already committed or discarded.
  void discard() noexcept;
  // The name callers of create_replacing know; the same as commit().
  void close() { commit(); }

  const std::string& path() const { return path_; }

 private:
  void fail(const char* operation, int error);
  std::string path_;
  std::string temporary_;
  std::intptr_t handle_;
  std::uint64_t cleanup_;  // its entry among the paths removed on an interrupt
};

// The whole of a file's new content at once.
void replace_file(const std::string& path, std::span<const std::uint8_t> bytes);
void replace_file(const std::string& path, std::string_view bytes);

// The earlier names of AtomicFile.
using OutputFile = AtomicFile;
inline AtomicFile create_replacing(const std::string& path) { return AtomicFile(path); }

// A private folder inside `folder`, named `prefix` and a random suffix, where
// a set of files is written before it replaces the files of the same names in
// `folder` at once. Being on the same file system, every move is a rename.
// The folder and everything in it is removed when the StagingFolder is
// destroyed, and on an interrupt.
class StagingFolder {
 public:
  explicit StagingFolder(std::string folder, std::string_view prefix = ".staging-");
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  // The staging folder itself, and where the file `name` is staged.
  const std::string& path() const { return path_; }
  std::string staged(std::string_view name) const;

  // Publishes the staged files `names` (plain file names; ".old-" begins
  // the old copies' names) under the same names in the folder: all of
  // them, or none. Old files are first kept by
  // a second name in the staging folder; if any rename fails, the files
  // already replaced are put back and the Failure names the file that
  // failed, so the folder holds the old set or the new set, never a mix.
  // Should putting back fail too, the Failure says so and the staging folder
  // is kept with the old copies in it. Interrupts wait until it is done.
  // Once the set is in place, the old files are removed while the caller
  // goes on, on a thread the destructor waits for; or, `removed_apart`,
  // for a caller that holds the folder's FolderLock, on POSIX by a process
  // of their own which this one does not wait for: it holds the lock until
  // they are gone, so the next run into the folder waits for it.
  enum class OldFiles { removed_here, removed_apart };
  void publish(std::span<const std::string> names, OldFiles old_files = OldFiles::removed_here);

 private:
  struct Clearing;
  std::string folder_;
  std::string path_;
  std::uint64_t cleanup_;
  bool keep_ = false;
  std::unique_ptr<Clearing> clearing_;
};

// Removes from `folder` the staging folders named `prefix` and a random
// suffix that runs ended by force (a kill, a power cut) left behind. Only
// for the holder of the folder's FolderLock, where every run that stages
// there with this prefix takes the lock first: then none of them is in use.
// What cannot be removed stays; nothing else is touched.
void remove_stale_staging(const std::string& folder, std::string_view prefix) noexcept;

// ---- Runs that write into one folder ----

// The right to write into one folder, held by one run at a time, so runs
// that write into the same folder take turns; or, `shared`, the right to
// read a set published there whole, held by any number of readers at once
// while no run writes. An advisory lock on the folder itself: flock() on the
// directory on POSIX, a named mutex derived from the folder's identity on
// Windows, where readers take turns as writers do. The system releases it
// when its holder ends, however it ends, and no lock file is left behind.
// On POSIX a process forked while the lock is held holds it too, until both
// have let go (StagingFolder's removal of old files relies on it); its
// descriptor is never 0, 1 or 2, which such a process may point elsewhere.
// On Windows the lock belongs to the thread that took it, and that thread
// taking it again does not wait.
class FolderLock {
 public:
  enum class Mode { exclusive, shared };

  // Waits until no other run holds the folder (a shared lock: no writer).
  // `on_wait`, when given, is called once before waiting, if it must wait.
  // Throws Failure when the folder cannot be opened.
  explicit FolderLock(const std::string& folder, const std::function<void()>& on_wait = {},
                      Mode mode = Mode::exclusive);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False on a file system that has no such locks (some network file
  // systems): then the run goes on without one.
  bool held() const { return held_; }

 private:
  std::intptr_t handle_;
  bool held_ = false;
};

// ---- Publishing a set of files ----

// The one way a run writes a set of files into a folder: it takes the
// folder's turn (FolderLock; `on_wait` as there), removes the staging
// folders named `prefix`, or any of `leftovers` (those of other programs
// that take the same lock before they stage there), that killed runs or
// killed removals of old files left there, and makes its own
// StagingFolder when first asked for its path(). The caller writes there,
// while it still computes if it likes, then publish()es the set; an
// OutputSet destroyed before that leaves the folder as it was, and so does
// a failed publish(). Throws Failure.
class OutputSet {
 public:
  OutputSet(std::string folder, std::string_view prefix,
            const std::function<void()>& on_wait = {},
            std::span<const std::string_view> leftovers = {});

  const std::string& path();
  std::string staged(std::string_view name);
  void publish(std::span<const std::string> names);

 private:
  std::string folder_;
  std::string prefix_;
  FolderLock lock_;
  std::optional<StagingFolder> staging_;
};

// ---- Interrupts ----

// Makes SIGINT, SIGTERM and SIGHUP (Ctrl-C, Ctrl-Break and closing the
// console on Windows) end the program with status 128 + the signal number
// (130 and 129 on Windows), after removing the temporaries of AtomicFile,
// the staging folders and every path given to RemoveOnInterrupt. Call it
// first in main, before any other thread starts: on POSIX the signals are
// blocked in every thread and taken by a thread of this layer, so the
// cleanup is ordinary code that can wait for a publish under way. Processes
// started afterwards inherit the blocked signals. Signals ignored at start
// (nohup, a background job) stay ignored. Throws Failure.
void install_interrupt_handlers();

// A path removed if the program is interrupted while this object lives:
// a file, or a folder with everything below it.
class RemoveOnInterrupt {
 public:
  explicit RemoveOnInterrupt(std::string path);
  ~RemoveOnInterrupt();
  RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
  RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

 private:
  std::uint64_t id_;
};

// While one lives, an interrupt waits, and its cleanup runs once the last
// one is gone: for steps that must be done whole.
class InterruptsDeferred {
 public:
  InterruptsDeferred();
  ~InterruptsDeferred();
  InterruptsDeferred(const InterruptsDeferred&) = delete;
  InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;
};

// ---- Standard output ----

// The last step of a command-line program, as GNU tools do it: flushes
// standard output and standard error and closes standard output. When any
// byte written to standard output was lost (an earlier write, the flush or
// the close failed: a full disk, /dev/full, a closed pipe), says so on
// standard error as "PROGRAM: write error on standard output: REASON", if
// standard error still works, and returns false; so does a failed write to
// standard error. The caller then exits with status 2.
bool close_standard_output(std::string_view program);

// ---- Facts about files ----

enum class FileKind { missing, regular, directory, fifo, device, other };

// Which file a name leads to: device and inode on POSIX, volume serial
// number and file index on Windows. Two names with one identity are one file.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct FileInfo {
  FileKind kind = FileKind::missing;
  std::uint64_t size = 0;  // of a regular file; 0 for any other kind
  FileIdentity identity;
  // When its content last changed, in the system's own finest unit; only
  // ever compared with an earlier reading of the same file.
  std::uint64_t modified = 0;
};

// What `path` names, symbolic links followed. A name that leads nowhere is
// `missing`; any other failure (no permission to look) throws Failure.
FileInfo file_info(const std::string& path);

// Whether anything stands under the name itself, a link not followed: a
// file, a folder, or a symbolic link, one that leads nowhere too.
bool name_taken(const std::string& path);

// Whether the two names lead to one existing file, however spelled.
bool same_file(const std::string& a, const std::string& b);

// A kind's name in messages: "a directory", "a FIFO", "a device"...
std::string_view describe(FileKind kind);

// Reads a regular file of at most `max_bytes` bytes. A directory, FIFO,
// device or a larger file is refused with a Failure that says which (and
// the size), in bounded time and memory: a FIFO is not waited on, and a
// file that grows past max_bytes while read is refused once it has.
std::string read_file_limited(const std::string& path, std::uint64_t max_bytes);

// The small "Attendere" window: created, shown without waiting and painted
// once. No window event is processed afterwards.
void show_waiting_window();

// A modal message box with one OK button under the application's default
// title; returns when the user closes it.
void message_box(std::string_view text);

// The report of a failure nobody handled (a file that could not be written).
void report_failure(std::string_view text);

// A line for whoever watches the run (the recorded error state at its end):
// standard error on POSIX; not shown by the desktop program on Windows.
void notice(std::string_view text);

// Ends the process at once; every open file is closed by the system.
[[noreturn]] void end_program(int status);

// For the language server, which works on the folders an editor names.

// The names of the regular files in a directory, as the other file
// functions take them. Throws Failure.
std::vector<std::string> list_files(const std::string& dir);

// A path written in UTF-8 (as file URIs carry it) in the form the file
// functions take, and back: the same bytes on POSIX, the ANSI code page on
// Windows. Throws Failure for a path the code page cannot hold.
std::string path_from_utf8(std::string_view path);
std::string path_to_utf8(std::string_view path);

// Standard input and output as byte streams, for a protocol spoken over
// them: no CR LF translation on Windows, where byte counts would otherwise
// go wrong. A read returns as soon as any bytes are there (0 only at the end
// of the input); a write writes everything. Both throw Failure.
std::size_t read_standard_input(char* buffer, std::size_t size);
void write_standard_output(std::string_view bytes);

}  // namespace platform
