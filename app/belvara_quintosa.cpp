// The one-shot program: shows its waiting window, writes the five texts of
// the embedded scenario beside itself, compiles the scenario into the three
// compiled files and ends. It takes no arguments.
#include "driver/one_shot_run.h"

int main() { scenario::run_one_shot(); }
