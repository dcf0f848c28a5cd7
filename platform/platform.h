// The one place that knows which operating system runs the program: the
// program's directory, file names, files, the waiting window, the message box
// and ending the process. A Windows and a POSIX backend implement it; nothing
// above this layer includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file operation that did not succeed. Carried up to the run driver, which
// reports it once; `operation` and `path` name what failed.
class Failure : public std::runtime_error {
 public:
  Failure(std::string operation, std::string path, std::string reason);
  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }

 private:
  std::string operation_;
  std::string path_;
};

// The directory that holds the running program file, without a trailing
// separator unless it is a root directory.
std::string program_directory();

// `dir` + separator + `name`; a directory that already ends in a separator
// (a root directory) gets no second one.
std::string join_path(std::string_view dir, std::string_view name);

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

// Copies a file's bytes to `to`, replacing a file that stood there. Throws
// Failure.
void copy_file(const std::string& from, const std::string& to);

// Moves a file to `to`, replacing a file that stood there; between two file
// systems by copying and then deleting the original. Throws Failure.
void move_file(const std::string& from, const std::string& to);

// A file open for writing bytes. Created by create_replacing: the file is
// opened (created if missing), closed, deleted and created anew, so nothing
// of an earlier, longer file survives. Closing flushes; a failed write or
// close throws Failure.
class OutputFile {
 public:
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  ~OutputFile();

  void write(std::span<const std::uint8_t> bytes);
  void write(std::string_view bytes);
  void close();
  const std::string& path() const { return path_; }

 private:
  friend OutputFile create_replacing(const std::string& path);
  OutputFile(std::string path, std::intptr_t handle);
  std::string path_;
  std::intptr_t handle_;
};

OutputFile create_replacing(const std::string& path);

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
