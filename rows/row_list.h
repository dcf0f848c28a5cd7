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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"
#include "rows/records.h"
#include "text/field_reader.h"

namespace scenario {

// One field as the reader reads it: where it lies in the list's text, and
// what a number field read.
struct Field {
  std::uint32_t offset = 0;  // after leading blanks
  std::uint32_t length = 0;  // without trailing blanks; a quoted text with its quotes
  std::int32_t read = 0;     // a number field's value, when `is_number`
  bool is_number = false;    // a number field that reads as one
  bool comma_after = false;  // ended by a comma, not by a line end or the text's end
  std::size_t end() const { return std::size_t{offset} + length; }
  std::optional<std::int32_t> number() const {
    return is_number ? std::optional<std::int32_t>(read) : std::nullopt;
  }
};

// A text holds about one field for every 5 bytes, so the list's memory is
// mostly fields: the language server's memory bound rests on these sizes.
static_assert(sizeof(Field) == 16);

struct Row {
  // nullptr: a keyword field that passes no test, shaped like a row (words
  // and a comma after them); other such fields are not kept.
  const RecordInfo* record = nullptr;
  Field keyword;
  // Its values, in reading order, are the list's values from `first_value`
  // on; fewer than the record's where the text ended.
  std::uint32_t first_value = 0;
  std::uint8_t value_count = 0;
  Section section = Section::general;
  bool continues = false;  // the keyword field of the row before, read as a further record
};

static_assert(sizeof(Row) <= 32);

// A keyword field right after a row that holds a lone number: the readers
// skip it as an unknown field, though its author meant a value of the row.
struct LoneNumber {
  std::uint32_t after_row = 0;  // the last row read from the keyword field before it
  Field field;
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

// The list keeps a view of its text, which must outlive it. Moved, never
// copied: a copy would be as large as the rows themselves.
struct RowList {
  RowList() = default;
  RowList(RowList&&) = default;
  RowList& operator=(RowList&&) = default;
  RowList(const RowList&) = delete;
  RowList& operator=(const RowList&) = delete;

  std::string_view source;  // the text the rows were read from
  // The text itself, when the list holds it (null: whoever built the list
  // keeps the text alive).
  std::shared_ptr<const std::string> owner;
  Text text = Text::linea;
  bool curves = false;  // curves were read as records (a line text's only)
  // Fields before [generale] that pass a record's test: rows no reader reads.
  std::vector<Field> preamble;
  // The [generale] field; `generale_read` false when there is none, or when
  // it is the line description's last field, which no reader acts on.
  std::optional<Field> generale;
  bool generale_read = false;
  std::vector<Row> rows;        // in text order
  std::vector<Field> values;    // every row's values, one row after another
  std::vector<Field> headers;   // "[generale]", "[curve]", ... where a keyword stands
  std::vector<LoneNumber> lone_numbers;  // in text order
  // Line description: where the reader stands once the general section is
  // read, and just after the header that closed it (the text's end when
  // there is no body).
  std::size_t general_end = 0;
  std::size_t body_start = 0;
  std::optional<RowFailure> failure;

  std::span<const Field> values_of(const Row& r) const {
    return std::span<const Field>(values).subspan(r.first_value, r.value_count);
  }
  std::span<const Field> values_of(std::size_t r) const { return values_of(rows[r]); }
  // Just after the row's last field's bytes.
  std::size_t end_of(const Row& r) const {
    return r.value_count == 0 ? r.keyword.end() : values[r.first_value + r.value_count - 1u].end();
  }
  // The field's bytes as they stand, and a text field as read (a quoted
  // one without its quotes).
  std::string_view bytes_of(const Field& f) const { return source.substr(f.offset, f.length); }
  std::string_view text_of(const Field& f) const;
  // Where the reader stands after a field that `comma_after`: just past
  // that comma.
  std::size_t past_comma(const Field& f) const { return source.find(',', f.end()) + 1; }

  // Value i of rows[r] for a reader that acts on it; throws the failure
  // when reading fails at that value or before it.
  std::int32_t number(std::size_t r, std::size_t i) const {
    fails_at(r, i);
    return values[rows[r].first_value + i].read;
  }
  std::string_view text_value(std::size_t r, std::size_t i) const {
    fails_at(r, i);
    return text_of(values[rows[r].first_value + i]);
  }
  // Throws the failure when it lies in row r (rows.size(): after the last row).
  void check(std::size_t r) const { fails_at(r, static_cast<std::size_t>(-1)); }
  // The rows a reader acts on: those before the failure, if any.
  std::size_t rows_read() const { return failure ? std::min(failure->row, rows.size()) : rows.size(); }

 private:
  void fails_at(std::size_t r, std::size_t i) const {
    if (failure && (failure->row < r || (failure->row == r && failure->value <= i)))
      throw failure->exception();
  }
};

// The rows of `text`, read as `which`; curves are records only with `curves`.
RowList read_rows(std::string_view text, Text which, bool curves);
// The same, the list holding the text.
std::shared_ptr<const RowList> read_rows(std::shared_ptr<const std::string> text, Text which,
                                         bool curves);
// `rows` were read from exactly `text`, as `which` with `curves`: whoever
// holds them need not walk the text again.
bool read_from(const RowList& rows, std::string_view text, Text which, bool curves);

// How many row lists have been built in this process: a text is to be
// walked once per compile, and the tests hold it to that.
std::uint64_t row_lists_built();

}  // namespace scenario
