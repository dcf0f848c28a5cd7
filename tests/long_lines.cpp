#include "long_lines.h"

namespace testing_support {

std::string commas_text(std::size_t size, bool one_line) {
  std::string t;
  t.reserve(size + size / 15 + 2);
  for (std::size_t i = 0; i < size; ++i) {
    t += ',';
    if (!one_line && i % 30 == 29) t += "\r\n";
  }
  return t + "\r\n";
}

std::string curve_rows_text(int rows, bool one_line) {
  std::string t = "[generale]\r\nlunghezza percorso, 1000000\r\n[curve]\r\n";
  t.reserve(t.size() + static_cast<std::size_t>(rows) * 24 + 16);
  for (int i = 0; i < rows; ++i) {
    t += "curvad3, " + std::to_string(100 + 20 * i) + ", 10,";
    t += one_line ? " " : "\r\n";
  }
  return t + "\r\n[fine]\r\n";
}

}  // namespace testing_support
