// A line of a description text as a message shows it, under an error, with
// a caret under the column at fault.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scenarioc {

struct ShownLine {
  std::string text;   // the line, without its line end
  std::string caret;  // blanks (tabs where the line has them), "^" and "~"
};

// Control characters are shown as \0 or \xNN, so a stray byte cannot
// garble the terminal, tabs are kept so the caret lines up in any terminal,
// and a line longer than a screen is cut around the caret, "…" standing
// for each part left out. `column` counts bytes from 1; the caret is
// followed by a "~" under each further byte of the `length` at fault that
// is shown.
ShownLine show_line(std::string_view line, std::size_t column, std::size_t length = 1);

}  // namespace scenarioc
