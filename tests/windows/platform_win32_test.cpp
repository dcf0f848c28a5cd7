// The Windows backend of the platform layer, seen through the Win32 API:
// drive roots and backslashes in names, files that Windows refuses to
// replace, bytes kept as written, the waiting window's geometry and font,
// the message boxes, and the optional standard error.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "../test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::TempDir;
using testing_support::write_bytes;

struct JoinCase {
  const char* dir;
  const char* expected;
};

TEST(Win32Paths, JoinsWithOneBackslash) {
  const JoinCase cases[] = {
      {"C:\\Giochi\\Treni", "C:\\Giochi\\Treni\\f.txt"},
      // A program at the root of a drive: its directory already ends in one.
      {"C:\\", "C:\\f.txt"},
      {"D:\\Treni\\", "D:\\Treni\\f.txt"},
      {"Z:/tmp/treni/", "Z:/tmp/treni/f.txt"},
      {"\\\\server\\share", "\\\\server\\share\\f.txt"},
  };
  for (const JoinCase& c : cases) EXPECT_EQ(platform::join_path(c.dir, "f.txt"), c.expected) << c.dir;
}

TEST(Win32Paths, ProgramDirectoryHoldsTheTestProgram) {
  const std::string dir = platform::program_directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '\\');  // not a drive root here
  // The test program is built beside the one-shot program.
  EXPECT_TRUE(fs::equivalent(dir, fs::path(BELVARA_QUINTOSA_EXE).parent_path())) << dir;
}

class Win32Files : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path(const char* name) const { return (dir / name).string(); }
};

TEST_F(Win32Files, ReplacesAFileWholeAndKeepsEveryByte) {
  const std::string name = path("Belvara_Quintosa_254.sim");
  write_bytes(name, std::string(5000, 'x'));
  // CR LF, a bare LF, NUL, 0xFF and Ctrl-Z (end of file in text mode).
  const std::string bytes("riga\r\nA\n\0\xff\x1a fine", 16);
  platform::OutputFile out = platform::create_replacing(name);
  out.write(bytes);
  out.close();
  EXPECT_EQ(platform::read_file(name), bytes);
  EXPECT_EQ(read_bytes(name), bytes);
}

// Wine's MoveFileEx replaces a read-only file, which Windows refuses.
bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(Win32Files, ARefusedReplacementIsAFailureNamingTheFile) {
  const std::string read_only = path("read_only.txt");
  write_bytes(read_only, "old");
  ASSERT_TRUE(SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string held = path("held.txt");
  write_bytes(held, "old");
  // Held open by another program that shares nothing.
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);

  std::vector<std::string> refused{held};
  if (!running_under_wine()) refused.push_back(read_only);
  for (const std::string& name : refused) {
    try {
      platform::replace_file(name, "new");
      ADD_FAILURE() << "no failure for " << name;
    } catch (const platform::Failure& e) {
      EXPECT_EQ(e.path(), name);
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  CloseHandle(h);
  EXPECT_EQ(read_bytes(held), "old");
  if (!running_under_wine()) {
    EXPECT_EQ(read_bytes(read_only), "old");
  }
  SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Once released, the file is replaced as usual, and no temporary is left.
  platform::replace_file(held, "");
  EXPECT_EQ(read_bytes(held), "");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"held.txt", "read_only.txt"}));
}

TEST_F(Win32Files, AFileHeldForAMomentIsReplacedOnceLetGo) {
  // A virus scanner opens a new file and lets it go soon after.
  const std::string name = path("Belvara_Quintosa_254.sim");
  write_bytes(name, "old");
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::thread scanner([h] {
    Sleep(150);
    CloseHandle(h);
  });
  platform::replace_file(name, "new");
  scanner.join();
  EXPECT_EQ(read_bytes(name), "new");
}

TEST_F(Win32Files, OneFolderUnderTwoSpellingsIsOneLock) {
  fs::create_directory(dir / "Uscita");
  std::atomic<bool> second_waited{false};
  std::optional<platform::FolderLock> first(std::in_place, path("Uscita"));
  std::thread other([&] {
    // Another case and a forward slash: the same folder.
    platform::FolderLock second(path("USCITA") + "/", [&] { second_waited = true; });
  });
  Sleep(100);
  first.reset();
  other.join();
  EXPECT_TRUE(second_waited);
}

TEST_F(Win32Files, ExistenceAndMissingFiles) {
  write_bytes(dir / "file.txt", "x");
  fs::create_directory(dir / "folder");
  EXPECT_TRUE(platform::file_exists(path("file.txt")));
  EXPECT_FALSE(platform::file_exists(path("folder")));
  EXPECT_FALSE(platform::file_exists(path("missing.txt")));

  EXPECT_THROW(platform::read_file(path("missing.txt")), platform::Failure);
  try {
    platform::delete_file(path("missing.txt"));
    ADD_FAILURE() << "deleting a missing file succeeded";
  } catch (const platform::Failure& e) {
    EXPECT_EQ(e.operation(), "delete");
  }
  platform::delete_file(path("file.txt"));
  EXPECT_FALSE(fs::exists(dir / "file.txt"));
}

TEST_F(Win32Files, NoticeGoesToStandardErrorOnlyWhenThereIsOne) {
  const std::string log = path("stderr.log");
  HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
  SetStdHandle(STD_ERROR_HANDLE, file);
  platform::notice("Belvara_Quintosa: recorded error 12");
  // Started from Explorer, a GUI program has no standard error at all.
  SetStdHandle(STD_ERROR_HANDLE, nullptr);
  platform::notice("nobody sees this");
  SetStdHandle(STD_ERROR_HANDLE, saved);
  CloseHandle(file);
  EXPECT_EQ(read_bytes(log), "Belvara_Quintosa: recorded error 12\r\n");
}

// Windows need a desktop; under Wine without an X display there is none.
bool have_display() {
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

std::vector<HWND> windows_of_this_thread() {
  std::vector<HWND> found;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM out) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM out) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string text_of(HWND w) {
  char buffer[256] = {};
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

std::string class_of(HWND w) {
  char buffer[64] = {};
  GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

TEST(Win32Window, WaitingWindowAsDesignedAndPaintedOnce) {
  if (!have_display()) GTEST_SKIP() << "no display to show windows on";
  platform::show_waiting_window();

  HWND window = nullptr;
  for (HWND w : windows_of_this_thread()) {
    if (text_of(w) == "B") window = w;
  }
  ASSERT_NE(window, nullptr) << "no window titled \"B\"";
  EXPECT_TRUE(IsWindowVisible(window));
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);

  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  auto px = [](int twips, int dpi) { return MulDiv(twips, dpi, 1440); };

  // The client area, not the whole window, has the designed size.
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, px(4200, dpi_x));
  EXPECT_EQ(client.bottom, px(2688, dpi_y));

  const std::vector<HWND> controls = children(window);
  ASSERT_EQ(controls.size(), 1u);
  HWND label = controls[0];
  EXPECT_EQ(class_of(label), "Static");
  EXPECT_EQ(text_of(label), "Attendere");
  RECT r;
  ASSERT_TRUE(GetWindowRect(label, &r));
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, px(960, dpi_x));
  EXPECT_EQ(r.top, px(960, dpi_y));
  EXPECT_EQ(r.right - r.left, px(2652, dpi_x));
  EXPECT_EQ(r.bottom - r.top, px(792, dpi_y));

  LOGFONTA font = {};
  HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0));
  ASSERT_NE(handle, nullptr) << "the label keeps the system font";
  ASSERT_NE(GetObjectA(handle, sizeof font, &font), 0);
  EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(font.lfHeight, -MulDiv(24, dpi_y, 72));  // 24 point
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfCharSet, 0);
  EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);

  // Painted before the call returned: nothing is left to paint, although no
  // message has been processed.
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(label, nullptr, FALSE));
}

// Finds the message box that `owner_thread` shows, checks it and presses
// its button; gives up after a few seconds.
struct BoxSeen {
  std::string title, text;
  int visible_buttons = 0;
  bool pressed = false;
};

void press_ok_when_shown(DWORD owner_thread, BoxSeen& seen) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::vector<HWND> found;
    EnumThreadWindows(
        owner_thread,
        [](HWND w, LPARAM out) -> BOOL {
          char cls[16] = {};
          GetClassNameA(w, cls, sizeof cls);
          if (std::string(cls) == "#32770" && IsWindowVisible(w))
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found.empty()) {
      HWND box = found[0];
      seen.title = text_of(box);
      HWND ok = nullptr;
      for (HWND c : children(box)) {
        if (!IsWindowVisible(c)) continue;
        if (class_of(c) == "Button") {
          ++seen.visible_buttons;
          ok = c;
        } else if (class_of(c) == "Static" && !text_of(c).empty()) {
          seen.text = text_of(c);
        }
      }
      if (ok) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ok), BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
        seen.pressed = true;
      }
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

TEST(Win32Window, MessageBoxesShowTheTextWithOneOkButton) {
  if (!have_display()) GTEST_SKIP() << "no display to show windows on";
  struct Case {
    const char* name;
    void (*show)(std::string_view);
    const char* text;
  };
  const Case cases[] = {
      {"message_box", platform::message_box, " Errore n. 1250"},
      {"report_failure", platform::report_failure,
       "belvara_quintosa: cannot create \"C:\\Treni\\Belvara_Quintosa_linea.txt\""},
  };
  for (const Case& c : cases) {
    BoxSeen seen;
    std::thread presser(press_ok_when_shown, GetCurrentThreadId(), std::ref(seen));
    c.show(c.text);  // returns only once the button is pressed
    presser.join();
    ASSERT_TRUE(seen.pressed) << c.name << ": no message box came up";
    EXPECT_EQ(seen.text, c.text) << c.name;
    EXPECT_EQ(seen.visible_buttons, 1) << c.name;
    // No caption of our own: the system's default title.
    EXPECT_FALSE(seen.title.empty()) << c.name;
  }
}

}  // namespace
