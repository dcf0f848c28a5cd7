// The rows of both description texts as the readers took them: each row's
// record, where its keyword and values lie, and the numbers read. Checks
// that judge a row by its neighbours (same-record order, a slowdown against
// the speed limit where it lies, a timetable) need every row at once, after
// the reading; they take them from the row lists the readers acted on, and
// never read the texts again.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "rows/records.h"
#include "rows/row_list.h"
#include "model/diagnostics.h"
#include "text/field_reader.h"

namespace scenario {

struct ScannedValue {
  std::int32_t number = 0;  // 0 for a text value
  FieldSpan span;           // an empty number field has length 0
};

struct ScannedRow {
  const RecordInfo* record = nullptr;
  Text text = Text::none;
  FieldSpan keyword;
  std::size_t first = 0;  // its first value in RowScan::values
  // The field read next as a keyword when it holds a lone number (the
  // reader skips it as an unknown field); npos otherwise.
  std::size_t lone_number_after = TextSpan::npos;
  std::size_t lone_number_length = 0;
};

struct RowScan {
  std::vector<ScannedRow> rows;  // the line description's, then the train's, each in text order
  std::vector<ScannedValue> values;
  std::string_view linea, treno;
  std::size_t treno_generale = TextSpan::npos;  // the train's [generale] field, if read
  // Records read at least once. `rows` holds every row of the records that
  // land on the track and the clock; the others' rows only when one of
  // their number fields is empty.
  std::array<bool, record_count> given{};

  std::span<const ScannedValue> values_of(const ScannedRow& r) const {
    return std::span<const ScannedValue>(values).subspan(r.first, r.record->value_count());
  }
  std::int32_t number(const ScannedRow& r, std::size_t i) const { return values[r.first + i].number; }
  TextSpan keyword(const ScannedRow& r) const { return {r.text, r.keyword.offset, r.keyword.length}; }
  // Value i's field; an empty field as a point where it stands.
  TextSpan value(const ScannedRow& r, std::size_t i) const {
    const FieldSpan& s = values[r.first + i].span;
    return {r.text, s.offset, s.length};
  }
  std::string_view source(Text t) const { return t == Text::treno ? treno : linea; }
  std::string_view text_value(const ScannedRow& r, std::size_t i) const;
};

// The rows of both lists; a list whose reading failed ends where it failed.
RowScan scan_rows(const RowList& linea, const RowList& treno);

}  // namespace scenario
