// Windows backend: files through the Win32 API with 8-bit (code page) names,
// the folder lock, Ctrl-C, the waiting window, the message box. Built only
// for Windows targets.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {

namespace detail {
namespace {

HANDLE to_handle(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle from_handle(HANDLE h) { return reinterpret_cast<Handle>(h); }
Error last_error() { return static_cast<Error>(GetLastError()); }

// The system's text for an error code, without its trailing period.
std::string system_text(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n > 0 && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ' ||
                          out.back() == '.')) {
    out.pop_back();
  }
  if (out.empty()) out = "system error";
  return out + " (error " + std::to_string(code) + ")";
}

// A read-only file or a directory is refused for good; anything else that
// is refused may be held open by someone for a moment.
bool refuses_replacement(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
}

std::string hex(std::uint64_t value) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out(16, '0');
  for (std::size_t i = out.size(); i-- > 0; value >>= 4) out[i] = digits[value & 15];
  return out;
}

}  // namespace

std::string reason(Error error) {
  const DWORD code = static_cast<DWORD>(error);
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "does not exist";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "is in use by another program";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "no space left on the disk";
    case ERROR_WRITE_PROTECT: return "the disk is write-protected";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "already exists";
    case ERROR_DIRECTORY: return "is not a directory";
    case ERROR_DIR_NOT_EMPTY: return "is a directory that is not empty";
    case ERROR_FILENAME_EXCED_RANGE: return "the name is too long";
    case ERROR_INVALID_NAME: return "the name is not valid";
    case ERROR_NOT_SAME_DEVICE: return "is on another disk";
    case ERROR_NOT_READY: return "the drive is not ready";
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_CRC:
    case ERROR_IO_DEVICE: return "input/output error";
    default: return system_text(code);
  }
}

std::string reason_for_errno(int error) {
  switch (error) {
    case ENOSPC: return "no space left on the disk";
    case EPIPE: return "the reading end is closed";
    case EBADF: return "is not open";
    case EIO: return "input/output error";
    case EACCES: return "access denied";
    default: return "C library error " + std::to_string(error);
  }
}

bool is_missing(Error error) {
  const DWORD code = static_cast<DWORD>(error);
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

bool is_taken(Error error) {
  const DWORD code = static_cast<DWORD>(error);
  return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

bool link_unsupported(Error error) {
  // FAT and exFAT (USB sticks) and some network shares have no hard links.
  const DWORD code = static_cast<DWORD>(error);
  return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
         code == ERROR_TOO_MANY_LINKS || code == ERROR_NOT_SAME_DEVICE;
}

bool is_other_file_system(Error error) {
  return static_cast<DWORD>(error) == ERROR_NOT_SAME_DEVICE;
}

Error error_for(testing::Fault fault) {
  switch (fault) {
    case testing::Fault::no_space: return static_cast<Error>(ERROR_DISK_FULL);
    case testing::Fault::io_error: return static_cast<Error>(ERROR_IO_DEVICE);
    case testing::Fault::access_denied: return static_cast<Error>(ERROR_ACCESS_DENIED);
    case testing::Fault::no_links: return static_cast<Error>(ERROR_NOT_SUPPORTED);
  }
  return static_cast<Error>(ERROR_IO_DEVICE);
}

Error create_new(const std::string& path, Handle& out) {
  // Shared for deletion: an interrupt, taken on another thread, removes it
  // while it is still open.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  out = from_handle(h);
  return 0;
}

Error write_all(Handle handle, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD ask = size > (1u << 30) ? DWORD{1u << 30} : static_cast<DWORD>(size);
    DWORD n = 0;
    if (!WriteFile(to_handle(handle), data, ask, &n, nullptr)) return last_error();
    if (n == 0) return static_cast<Error>(ERROR_WRITE_FAULT);
    data += n;
    size -= n;
  }
  return 0;
}

Error write_all_at(Handle handle, std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const DWORD ask = size > (1u << 30) ? DWORD{1u << 30} : static_cast<DWORD>(size);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    if (!WriteFile(to_handle(handle), data, ask, &n, &at)) return last_error();
    if (n == 0) return static_cast<Error>(ERROR_WRITE_FAULT);
    data += n;
    offset += n;
    size -= n;
  }
  return 0;
}

// A process of its own cannot run a part of this one on Windows: the
// caller removes them itself.
bool remove_in_background(const std::vector<std::string>&, const std::string&) { return false; }

Error close_handle(Handle handle) { return CloseHandle(to_handle(handle)) ? 0 : last_error(); }

Error rename_replacing(const std::string& from, const std::string& to) {
  // A virus scanner or an indexer that has just opened the target lets it
  // go within moments: tried again for about a second.
  DWORD pause = 5;
  DWORD waited = 0;
  for (;;) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return 0;
    }
    const DWORD code = GetLastError();
    const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                      (code == ERROR_ACCESS_DENIED && !refuses_replacement(to));
    if (!held || waited >= 1000) return static_cast<Error>(code);
    Sleep(pause);
    waited += pause;
    pause = pause < 100 ? pause * 2 : 100;
  }
}

Error make_link(const std::string& existing, const std::string& link) {
  return CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) ? 0 : last_error();
}

Error remove_file(const std::string& path) { return DeleteFileA(path.c_str()) ? 0 : last_error(); }

Error open_existing(const std::string& path, bool wait, Handle& out) {
  (void)wait;  // opening a pipe does not wait on Windows
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  out = from_handle(h);
  return 0;
}

Error read_some(Handle handle, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
  const DWORD ask = size > (1u << 30) ? DWORD{1u << 30} : static_cast<DWORD>(size);
  DWORD n = 0;
  if (!ReadFile(to_handle(handle), buffer, ask, &n, nullptr)) {
    // A pipe whose writer has gone is at its end.
    if (GetLastError() != ERROR_BROKEN_PIPE) return last_error();
    n = 0;
  }
  got = n;
  return 0;
}

Error handle_info(Handle handle, FileInfo& out) {
  const HANDLE h = to_handle(handle);
  SetLastError(NO_ERROR);
  FileInfo info;
  switch (GetFileType(h)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_CHAR:
      info.kind = FileKind::device;
      out = info;
      return 0;
    case FILE_TYPE_PIPE:
      info.kind = FileKind::fifo;
      out = info;
      return 0;
    default:
      if (GetLastError() != NO_ERROR) return last_error();
      info.kind = FileKind::other;
      out = info;
      return 0;
  }
  BY_HANDLE_FILE_INFORMATION facts;
  if (!GetFileInformationByHandle(h, &facts)) return last_error();
  if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    info.kind = FileKind::directory;
  } else {
    info.kind = FileKind::regular;
    info.size = std::uint64_t{facts.nFileSizeHigh} << 32 | facts.nFileSizeLow;
  }
  info.identity.volume = facts.dwVolumeSerialNumber;
  info.identity.file = std::uint64_t{facts.nFileIndexHigh} << 32 | facts.nFileIndexLow;
  info.modified = std::uint64_t{facts.ftLastWriteTime.dwHighDateTime} << 32 | facts.ftLastWriteTime.dwLowDateTime;
  out = info;
  return 0;
}

Error make_private_folder(const std::string& path) {
  // Private as its parent is: the temporary directory is the user's own.
  return CreateDirectoryA(path.c_str(), nullptr) ? 0 : last_error();
}

Setting temporary_directory_setting() {
  // The variables GetTempPath reads, in its order.
  for (const char* variable : {"TMP", "TEMP", "USERPROFILE"}) {
    DWORD n = GetEnvironmentVariableA(variable, nullptr, 0);
    if (n <= 1) continue;
    std::string value(n, '\0');
    n = GetEnvironmentVariableA(variable, value.data(), n);
    if (n == 0 || n >= value.size()) continue;
    value.resize(n);
    return {variable, value};
  }
  return {"", ""};
}

NameKind name_kind(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return is_missing(last_error()) ? NameKind::missing : NameKind::other;
  }
  return attributes & FILE_ATTRIBUTE_DIRECTORY ? NameKind::directory : NameKind::other;
}

std::size_t name_start(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  if (sep != std::string_view::npos) return sep + 1;
  // "C:name" is in the current directory of drive C.
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

}  // namespace detail

namespace {

// Throws the failure of the Win32 call that has just failed. The error code
// is taken first, before building strings can touch it.
[[noreturn]] void fail(const char* operation, const std::string& path) {
  const detail::Error code = detail::last_error();
  throw Failure(operation, path, detail::reason(code));
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Twips (1/1440 inch) to pixels at the given dots per inch, rounded.
int to_pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

BOOL WINAPI on_console_event(DWORD event) {
  UINT status = 0;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT: status = 128 + 2; break;  // as SIGINT
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: status = 128 + 1; break;  // as SIGHUP
    default: return FALSE;
  }
  // Runs on a thread of its own: waits for a step that must be done whole,
  // and keeps any other from starting.
  detail::interrupt_lock().lock();
  detail::run_cleanups();
  // Other threads may hold the runtime's locks: the process ends without
  // running its shutdown.
  TerminateProcess(GetCurrentProcess(), status);
  return TRUE;
}

}  // namespace

std::string program_directory() {
  std::string exe(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (n == 0) fail("find the program directory", "GetModuleFileName");
    if (n < exe.size()) {
      exe.resize(n);
      break;
    }
    // Truncated: the name is longer than the buffer.
    exe.resize(exe.size() * 2);
  }
  std::size_t sep = exe.find_last_of("\\/");
  if (sep == std::string::npos) return ".";
  // "C:\prog.exe" lies in "C:\", not in the drive-relative "C:".
  if (sep == 2 && exe[1] == ':') return exe.substr(0, 3);
  return exe.substr(0, sep);
}

bool arguments_in_utf8() {
  // main() gets its arguments in the ANSI code page.
  return false;
}

std::string join_path(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (path.empty() || !is_separator(path.back())) path += '\\';
  path += name;
  return path;
}

bool file_exists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void delete_file(const std::string& path) {
  if (!DeleteFileA(path.c_str())) fail("delete", path);
}

FileInfo file_info(const std::string& path) {
  // No access asked: the file's facts can be read whatever it is, and a
  // directory opens too.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
        code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME ||
        code == ERROR_NOT_READY) {
      return FileInfo{};
    }
    throw Failure("examine", path, detail::reason(static_cast<detail::Error>(code)));
  }
  detail::HandleGuard guard(detail::from_handle(h));
  FileInfo info;
  if (const detail::Error e = detail::handle_info(guard.get(), info)) {
    throw Failure("examine", path, detail::reason(e));
  }
  return info;
}

FolderLock::FolderLock(const std::string& folder, const std::function<void()>& on_wait, Mode)
    : handle_(detail::no_handle) {
  // A mutex has no shared mode: readers take turns with writers and with
  // each other, which costs a reader only a wait.
  const FileInfo info = file_info(folder);
  if (info.kind == FileKind::missing) throw Failure("lock", folder, "does not exist");
  if (info.kind != FileKind::directory) throw Failure("lock", folder, "is not a directory");
  // Named after the folder's identity, not its spelling: every name of one
  // folder (another case, a short name, a junction, a drive letter for a
  // share) leads to one mutex.
  const std::string name = "Local\\scenarioc-folder-" + detail::hex(info.identity.volume) + "-" +
                           detail::hex(info.identity.file);
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) fail("lock", folder);
  detail::HandleGuard guard(detail::from_handle(mutex));
  DWORD r = WaitForSingleObject(mutex, 0);
  if (r == WAIT_TIMEOUT) {
    if (on_wait) on_wait();
    r = WaitForSingleObject(mutex, INFINITE);
  }
  // WAIT_ABANDONED: its holder ended without letting it go; the system gave
  // it to this run all the same.
  if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) fail("lock", folder);
  held_ = true;
  handle_ = guard.release();
}

FolderLock::~FolderLock() {
  if (handle_ == detail::no_handle) return;
  if (held_) ReleaseMutex(detail::to_handle(handle_));
  CloseHandle(detail::to_handle(handle_));
}

void install_interrupt_handlers() {
  static bool installed = false;
  if (installed) return;
  if (!SetConsoleCtrlHandler(on_console_event, TRUE)) fail("watch for interrupts", "");
  installed = true;
}

void show_waiting_window() {
  // Sizes are in twips; measured against the display's real resolution the
  // window keeps its size on a scaled display instead of being stretched.
  SetProcessDPIAware();
  HDC screen = GetDC(nullptr);
  if (!screen) fail("create window", "B");
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  static const char class_name[] = "BelvaraQuintosaAttesa";
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = class_name;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    fail("create window", "B");
  }

  RECT frame = {0, 0, to_pixels(4200, dpi_x), to_pixels(2688, dpi_y)};
  const DWORD style = WS_OVERLAPPEDWINDOW;
  if (!AdjustWindowRect(&frame, style, FALSE)) fail("create window", "B");
  HWND window = CreateWindowExA(0, class_name, "B", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
  if (!window) fail("create window", "B");

  HWND label = CreateWindowExA(0, "STATIC", "Attendere", WS_CHILD | WS_VISIBLE | SS_LEFT,
                               to_pixels(960, dpi_x), to_pixels(960, dpi_y),
                               to_pixels(2652, dpi_x), to_pixels(792, dpi_y), window, nullptr,
                               instance, nullptr);
  if (!label) fail("create window", "Attendere");
  // Lives as long as the process: the window is never destroyed before it ends.
  HFONT font = CreateFontA(-MulDiv(24, dpi_y, 72), 0, 0, 0, 700, FALSE, FALSE, FALSE, 0,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  if (!font) fail("create font", "MS Sans Serif");
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  // Shown and painted once, then left alone: no message loop runs, so the
  // window shows "Attendere" until the program ends.
  ShowWindow(window, SW_SHOWNORMAL);
  if (!UpdateWindow(window)) fail("paint window", "B");
}

void message_box(std::string_view text) {
  const std::string z(text);
  // No caption: the system shows its default title for the application.
  if (!MessageBoxA(nullptr, z.c_str(), nullptr, MB_OK)) notice(text);
}

void report_failure(std::string_view text) {
  const std::string z(text);
  if (!MessageBoxA(nullptr, z.c_str(), nullptr, MB_OK | MB_ICONERROR)) notice(text);
}

void notice(std::string_view text) {
  // A program started from Explorer has no standard error; one started with
  // its output redirected, or from a console, has.
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  std::string line(text);
  line += "\r\n";
  DWORD n = 0;
  WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &n, nullptr);
}

void end_program(int status) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(status));
}

namespace {

// Between two code pages through UTF-16; `strict` refuses a character the
// target cannot hold instead of putting a replacement in its place.
std::string convert(std::string_view text, UINT from, UINT to, bool strict) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wide_size = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
  if (wide_size <= 0) throw Failure("convert the path", std::string(text), detail::reason(detail::last_error()));
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wide_size);
  BOOL lost = FALSE;
  BOOL* lost_flag = strict && to != CP_UTF8 ? &lost : nullptr;
  const int out_size = WideCharToMultiByte(to, 0, wide.data(), wide_size, nullptr, 0, nullptr,
                                           lost_flag);
  if (out_size <= 0 || lost)
    throw Failure("use the path", std::string(text), "a character the code page cannot hold");
  std::string out(static_cast<std::size_t>(out_size), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wide_size, out.data(), out_size, nullptr, nullptr);
  return out;
}

}  // namespace

std::string path_from_utf8(std::string_view path) { return convert(path, CP_UTF8, CP_ACP, true); }
std::string path_to_utf8(std::string_view path) { return convert(path, CP_ACP, CP_UTF8, false); }

namespace {

// Once, before the first byte: the C runtime opens both in text mode.
void binary_standard_streams() {
  static const bool done = [] {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    return true;
  }();
  (void)done;
}

}  // namespace

std::size_t read_standard_input(char* buffer, std::size_t size) {
  binary_standard_streams();
  const unsigned int chunk = static_cast<unsigned int>(std::min<std::size_t>(size, 1u << 30));
  const int n = _read(_fileno(stdin), buffer, chunk);
  if (n < 0) throw Failure("read", "standard input", std::strerror(errno));
  return static_cast<std::size_t>(n);
}

void write_standard_output(std::string_view bytes) {
  binary_standard_streams();
  while (!bytes.empty()) {
    const unsigned int chunk = static_cast<unsigned int>(std::min<std::size_t>(bytes.size(), 1u << 30));
    const int n = _write(_fileno(stdout), bytes.data(), chunk);
    if (n <= 0) throw Failure("write", "standard output", std::strerror(errno));
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace platform
