// The rows of the two description texts, for the editor: the row list the
// compiler's readers take (rows/row_list.h), without the keyword fields
// that pass no test. Like the readers' list it goes on past a malformed
// value: the editor still wants the rows after it. The compiler alone
// decides what is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rows/records.h"
#include "rows/row_list.h"
#include "model/diagnostics.h"

namespace lsp {

using scenario::Text;

// The records and their values come from the compiler's record table.
using scenario::Placement;
using scenario::RecordId;
using scenario::RecordInfo;
using scenario::records;
using FieldInfo = scenario::ValueInfo;

using scenario::Field;
using scenario::Row;

struct Outline {
  Outline() = default;
  Outline(Outline&&) = default;
  Outline& operator=(Outline&&) = default;
  // A copy's rows point into the copy's values.
  Outline(const Outline& o) : headers(o.headers), rows(o.rows), values(o.values), body_start(o.body_start) {
    for (Row& r : rows) r.values = {values.data() + r.first_value, r.values.size()};
  }
  Outline& operator=(const Outline& o) {
    if (this != &o) *this = Outline(o);
    return *this;
  }

  std::vector<Field> headers;  // "[generale]", "[curve]", ... where a keyword stands
  std::vector<Row> rows;       // in text order
  std::vector<Field> values;   // the rows' values
  // Line description: where its body begins (after the header that closed
  // the general section); the end of the text when there is no body.
  std::size_t body_start = 0;
};

Outline outline(std::string_view text, Text which);

// The row whose bytes (keyword to last value) hold `offset`, or nullptr.
const Row* row_at(const Outline& o, std::size_t offset);

// The value index of the field that holds `offset`, or -1 on the keyword.
int field_at(const Row& row, std::size_t offset);

}  // namespace lsp
