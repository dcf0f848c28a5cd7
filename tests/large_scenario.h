// The largest scenario the formats accept, generated: a 1,000,000 m line
// curved over its whole length with gradients, mountains (80), speed and
// text boards, and a train with profiles, signals, slowdowns, abbattimento
// points and a full station table. It compiles without a recorded error.
#pragma once

#include <string>

namespace testing_support {

struct LargeScenario {
  std::string linea;
  std::string treno;
  int stations = 0;
  int boards = 0;
  int signals = 0;
};

LargeScenario large_scenario();

}  // namespace testing_support
