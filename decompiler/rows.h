// The recovered texts as an author writes them: one row per line, the
// keyword and its values joined by ", ", lines ended by CR LF, texts as the
// compiled files store them (Windows-1252 bytes, unchanged).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "model/format_constants.h"
#include "model/model.h"

namespace scenario {

// The rows of a profile of one byte per cell, filled up to ultima_cella - 3
// by rows that each start at a cell: a row(position, byte) wherever the byte
// changes. `initial` is the byte of the cells before the first row; a row
// at position 0 sets it. A row at ultima_cella - 2, the last one allowed,
// also writes that cell.
template <typename Byte, typename Row>
void profile_rows(const std::vector<cella>& cells, Byte byte, int initial, Row row) {
  const std::int64_t last = static_cast<std::int64_t>(cells.size()) - 1;
  if (last < 3) return;
  int current = initial;
  for (std::int64_t i = 0; i <= last - 3; ++i) {
    const int b = byte(cells[static_cast<std::size_t>(i)]);
    if (b != current) {
      row(i * metri_per_cella, b);
      current = b;
    }
  }
  const int before_last = byte(cells[static_cast<std::size_t>(last - 2)]);
  if (before_last != 0) row((last - 2) * metri_per_cella, before_last);
}

class TextOut {
 public:
  void line(std::string_view s) {
    text_ += s;
    text_ += "\r\n";
  }
  // keyword, v1, v2, ... and, when given, a text field last.
  void row(std::string_view keyword, std::initializer_list<std::int64_t> values,
           const std::string* testo = nullptr) {
    text_ += keyword;
    for (std::int64_t v : values) {
      text_ += ", ";
      text_ += std::to_string(v);
    }
    if (testo != nullptr) {
      text_ += ", ";
      text_ += as_field(*testo);
    }
    text_ += "\r\n";
  }
  std::string take() { return std::move(text_); }

  // A text as a field that reads back as it: plain when the field rules
  // keep it whole, between double quotes when it holds a comma or begins
  // or ends with a blank.
  static std::string as_field(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool plain = s.find(',') == std::string_view::npos &&
                       (s.empty() || (!blank(s.front()) && !blank(s.back()) && s.front() != '"'));
    if (plain || s.find('"') != std::string_view::npos) return std::string(s);
    return "\"" + std::string(s) + "\"";
  }

 private:
  std::string text_;
};

}  // namespace scenario
