// Two texts compiled in memory, as `scenarioc check` compiles them, and
// their diagnostics reduced to what a test pins: code, text and place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model/model.h"

namespace testing_support {

struct Seen {
  std::string code;
  char text;  // 'l' line description, 't' train description, '-' neither
  std::size_t line;
  std::size_t column = 0;  // 0 when the test pins the line only
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os);

struct Compiled {
  scenario::Modello m;
  std::vector<Seen> seen;
  std::optional<std::int32_t> fatal;  // the fatal error, if the compilation ended in one
};

enum class Place { line, line_and_column };

// Compiled as scenario "Prova", train "7"; with the line plan unless `plan`
// is false.
Compiled compile_in_memory(const std::string& linea, const std::string& treno, Place place,
                           bool plan = true);

}  // namespace testing_support
