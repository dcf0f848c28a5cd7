// Texts of one shape that cost a reader most when written on one line:
// the same fields either all on one line or with line ends between them,
// so that a test or the benchmark can compare the two.
#pragma once

#include <cstddef>
#include <string>

namespace testing_support {

// A train description of `size` bytes of commas only (no [generale]: every
// field is skipped unread); with `one_line` false, a line end every 30.
std::string commas_text(std::size_t size, bool one_line);

// A line description whose body is `rows` curve rows, all on one line or
// one per line.
std::string curve_rows_text(int rows, bool one_line);

}  // namespace testing_support
