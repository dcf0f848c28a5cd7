// Windows backend: files through the Win32 API with 8-bit (code page) names,
// the waiting window, the message box. Built only for Windows targets.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

// The closed state of OutputFile::handle_; equal to INVALID_HANDLE_VALUE.
constexpr std::intptr_t no_handle = -1;

// The system's text for an error code, without its trailing period.
std::string reason(DWORD code) {
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

// Throws the failure of the Win32 call that has just failed. The error code
// is taken first, before building strings can touch it.
[[noreturn]] void fail(const char* operation, const std::string& path) {
  const DWORD code = GetLastError();
  throw Failure(operation, path, reason(code));
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

HANDLE open_for_writing(const std::string& path, DWORD disposition) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) fail("create", path);
  return h;
}

HANDLE to_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// Twips (1/1440 inch) to pixels at the given dots per inch, rounded.
int to_pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

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

std::string read_file(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) fail("open", path);
  std::string data;
  LARGE_INTEGER size;
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0) {
    data.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &n, nullptr)) {
      const DWORD code = GetLastError();
      CloseHandle(h);
      throw Failure("read", path, reason(code));
    }
    if (n == 0) break;
    data.append(chunk, n);
  }
  CloseHandle(h);
  return data;
}

OutputFile::OutputFile(std::string path, std::intptr_t handle)
    : path_(std::move(path)), handle_(handle) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_) {
  other.handle_ = no_handle;
}

OutputFile::~OutputFile() {
  if (handle_ != no_handle) CloseHandle(to_handle(handle_));
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    DWORD ask = left > (1u << 30) ? DWORD{1u << 30} : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!WriteFile(to_handle(handle_), p, ask, &n, nullptr)) {
      fail("write", path_);
    }
    if (n == 0) throw Failure("write", path_, "nothing was written");
    p += n;
    left -= n;
  }
}

void OutputFile::close() {
  if (handle_ == no_handle) return;
  HANDLE h = to_handle(handle_);
  handle_ = no_handle;
  if (!CloseHandle(h)) fail("close", path_);
}

OutputFile create_replacing(const std::string& path) {
  // Create, close, delete, create anew: the file is new and empty whatever
  // stood under its name before.
  CloseHandle(open_for_writing(path, OPEN_ALWAYS));
  delete_file(path);
  HANDLE h = open_for_writing(path, CREATE_ALWAYS);
  return OutputFile(path, reinterpret_cast<std::intptr_t>(h));
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
  if (wide_size <= 0) throw Failure("convert the path", std::string(text), reason(GetLastError()));
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
