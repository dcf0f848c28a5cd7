// The rows of one description text, read once. One walk over the text does
// what both readers' contract says: fields are a stream (a row's values may
// run past its line), everything before the [generale] field is skipped,
// hyphen fields before a keyword are comments, the line description's
// general section ends at a bracketed field, and a keyword field is read as
// every record whose test it passes, in test order, each reading its own
// values. The readers, the warnings and the editor all take this list; none
// of them reads the text's fields again.
//
// The walk never throws. Where a field cannot be read (a number that is no
// whole number, the text ending inside a row) the list keeps the first such
// failure as a value; whoever acts on the rows stops there, and acting on a
// value at or after it throws the failure the field reader would have
// thrown (number(), text()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "rows/records.h"
#include "text/field_reader.h"

namespace scenario {

// One field as the reader reads it.
struct Field {
  std::size_t offset = 0;  // after leading blanks
  std::size_t length = 0;  // without trailing blanks; a quoted text with its quotes
  std::size_t next = 0;    // where the reader stands after it, past its separator
  std::string_view text;   // a text as read (a quoted one without its quotes); a number's token
  std::optional<std::int32_t> number;  // a number field that reads as one
  std::size_t end() const { return offset + length; }
};

struct Row {
  // nullptr: a keyword field that passes no test, shaped like a row (words
  // and a comma after them); other such fields are not kept.
  const RecordInfo* record = nullptr;
  Section section = Section::general;
  bool continues = false;  // the keyword field of the row before, read as a further record
  Field keyword;
  // In reading order; fewer than the record's where the text ended. They
  // live in the list's `values`.
  std::span<const Field> values;
  std::size_t end = 0;          // just after the last field's bytes
  std::size_t first_value = 0;  // where its values begin in the list's `values`
};

// The first field that cannot be read.
struct RowFailure {
  std::size_t row = 0;    // rows.size(): no row's value (the general section's comment
                          // fields ran past the text's end)
  std::size_t value = 0;  // the value of that row
  std::size_t offset = 0; // the field reader's offset of the failure
  std::string what;
  ReadFailure exception() const { return ReadFailure(offset, what); }
};

// Move it, never copy it: the rows' values point into it.
struct RowList {
  RowList() = default;
  RowList(RowList&&) = default;
  RowList& operator=(RowList&&) = default;
  RowList(const RowList&) = delete;
  RowList& operator=(const RowList&) = delete;

  Text text = Text::linea;
  bool curves = false;  // curves were read as records (only while the line plan is built)
  // Fields before [generale] that pass a record's test: rows no reader reads.
  std::vector<Field> preamble;
  // The [generale] field; `generale_read` false when there is none, or when
  // it is the line description's last field, which no reader acts on.
  std::optional<Field> generale;
  bool generale_read = false;
  std::vector<Row> rows;        // in text order
  std::vector<Field> values;    // every row's values, one row after another
  std::vector<Field> headers;   // "[generale]", "[curve]", ... where a keyword stands
  // Line description: where the reader stands once the general section is
  // read, and just after the header that closed it (the text's end when
  // there is no body).
  std::size_t general_end = 0;
  std::size_t body_start = 0;
  std::optional<RowFailure> failure;

  // Value i of rows[r] for a reader that acts on it; throws the failure
  // when reading fails at that value or before it.
  std::int32_t number(std::size_t r, std::size_t i) const {
    fails_at(r, i);
    return *rows[r].values[i].number;
  }
  std::string_view text_value(std::size_t r, std::size_t i) const {
    fails_at(r, i);
    return rows[r].values[i].text;
  }
  // Throws the failure when it lies in row r (rows.size(): after the last row).
  void check(std::size_t r) const { fails_at(r, static_cast<std::size_t>(-1)); }

 private:
  void fails_at(std::size_t r, std::size_t i) const {
    if (failure && (failure->row < r || (failure->row == r && failure->value <= i)))
      throw failure->exception();
  }
};

// The rows of `text`, read as `which`; curves are records only with `curves`.
RowList read_rows(std::string_view text, Text which, bool curves);

// How many row lists have been built in this process: a text is to be
// walked once per compile, and the tests hold it to that.
std::uint64_t row_lists_built();

}  // namespace scenario
