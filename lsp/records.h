// The rows of the two description texts, for the editor: a scan that finds
// them as the compiler's readers do (the same field reader, the same walk
// to keyword fields, the same record table). Unlike the readers the scan
// never stops at a malformed value: the editor still wants the rows after
// it. The compiler alone decides what is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "compiler/records.h"
#include "model/diagnostics.h"

namespace lsp {

using scenario::Text;

// The records and their values come from the compiler's record table.
using scenario::Placement;
using scenario::RecordId;
using scenario::RecordInfo;
using scenario::records;
using FieldInfo = scenario::ValueInfo;

struct Field {
  std::size_t offset = 0;  // after leading blanks
  std::size_t length = 0;  // without trailing blanks; a quoted text with its quotes
  std::string_view text;   // a quoted text without its quotes
  std::optional<std::int32_t> number;  // a number field that reads as one
};

struct Row {
  const RecordInfo* record = nullptr;
  Field keyword;
  std::vector<Field> values;  // fewer than the record's fields where the text ended
  std::size_t end = 0;        // just after the last field's bytes
};

struct Outline {
  std::vector<Field> headers;  // "[generale]", "[curve]", ... where a keyword stands
  std::vector<Row> rows;       // in text order
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
