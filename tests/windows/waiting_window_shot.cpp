// Shows the waiting window exactly as the program does, then keeps it on
// screen for a while without processing any event, so that a screenshot shows
// what the user sees during a run: the window as painted once.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <string>

#include "platform/platform.h"

int main(int argc, char** argv) {
  // How long to hold the window, in milliseconds (default 3000).
  const unsigned long hold = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 3000;
  try {
    platform::show_waiting_window();
  } catch (const std::exception& e) {
    platform::notice(std::string("waiting_window_shot: ") + e.what());
    return 1;
  }
  platform::notice("waiting_window_shot: window shown");
  Sleep(static_cast<DWORD>(hold));
  return 0;
}
