// scenarioc: the scenario authors' tool. It compiles an author's own line and
// train descriptions with the one-shot program's compiler, explains what
// went wrong in them, prints compiled files readably and writes the embedded
// texts as a starting point.
#include <string>
#include <vector>

#include "tool/run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return scenarioc::run_program(args);
}
