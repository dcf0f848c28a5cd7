// The one-shot program: shows its waiting window, writes the five texts of
// the embedded scenario beside itself, compiles the scenario into the three
// compiled files and ends. It takes no arguments; `--version` alone prints
// the version and writes nothing.
#include <cstdio>
#include <string_view>

#include "driver/one_shot_run.h"
#include "model/version.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("belvara_quintosa %.*s\n", static_cast<int>(scenario::version.size()),
                scenario::version.data());
    return 0;
  }
  scenario::run_one_shot();
}
