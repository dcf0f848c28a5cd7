// Random valid scenarios, one per seed: a line of 20 to 170 km with every
// kind of line record, and a train with every kind of row, features placed
// on cells of their own, rows in position order as an author writes them.
// The same seed gives the same texts on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

struct RandomScenario {
  std::string linea;
  std::string treno;
};

RandomScenario random_scenario(std::uint64_t seed);

}  // namespace testing_support
