// The diagnostics' eye on one description text while a reader reads it:
// where the row in hand lies, what the reader swallows or misplaces without
// an error (the warnings), and where a reading failure really lies. It never
// changes what the reader does: the compiled bytes are the same with or
// without it.
//
// It reads the text's row list (rows/row_list.h), never the fields again.
// The reader tells it about each keyword field it acts on (keyword()),
// each row of that field it acts on (record()), and when the field's rows
// are done (row_done()). Everything it finds goes to m.diagnostics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/line_features.h"
#include "rows/records.h"
#include "model/model.h"
#include "rows/row_list.h"
#include "text/field_reader.h"

namespace scenario {

class RowWatch {
 public:
  RowWatch(Modello& m, const RowList& rows, std::string_view source)
      : m_(m), text_(rows.text), source_(source), rows_(rows) {}

  // The text as a whole: empty, UTF-16, UTF-8. Before reading it.
  void check_encoding();
  bool in_utf16() const { return utf16_; }

  // The rows before the [generale] field are said once it is found
  // (found_generale()); without one, the whole text is unread and that is
  // said instead (no_generale()).
  void found_generale();
  // The text ends without a [generale] field (a train description is then
  // read as empty).
  void no_generale();

  // The keyword field of row `i` (after any comment fields).
  void keyword(std::size_t i);
  // Row `i`, of the keyword field in hand, is read as its record.
  void record(std::size_t i);
  // The field's rows are read: what the row left over or lacked.
  void row_done();

  // The keyword field of the row in hand, and the row as a cell's writer.
  TextSpan row() const { return {text_, row_offset_, row_length_}; }
  RowRef row_ref() const { return RowRef(text_, row_offset_); }
  // The row's value field `index` (from 0), as the reader read it; the
  // keyword field when the row has no such value.
  TextSpan value(int index) const;

  // Warnings of single records, before the reader records them.
  void gradient(const LineState& st, std::int32_t p);
  // A curve of curvature k (not 0).
  void curve(const LineState& st, std::string_view keyword, double k, std::int32_t s,
             std::int32_t n);
  void mountain(std::int32_t inizio, std::int32_t fine);
  // A speed or adhesion step at p, whose profile has written the cells before `indice`.
  void step(std::string_view what, std::int64_t indice, std::int32_t p);
  // A feature at p (and reaching to `fine`), against the route length.
  void placed(std::int32_t p, std::int64_t fine);
  void placed(std::int32_t p) { placed(p, p); }

  // A reading failure: records error 25 at the row that ran short of values
  // (when the reader went past its line for them) or at the field at fault.
  void unreadable(const ReadFailure& e);

  // The route entry `indice` is written by the row in hand.
  void wrote_entry(int indice) { m_.origins.entries[static_cast<std::size_t>(indice)] = row_ref(); }

 private:
  void unrecognised();
  void keyword_in_comment();
  void near_miss(std::string_view field);
  // The fix of a text in UTF-8: its sequences from `from` on as Windows-1252.
  Fix from_utf8(std::size_t from) const;
  // The fix of a row with `has` values on its line: the values read from
  // the next line joined onto it when they are all there (`read_whole`) and
  // that line holds nothing else; else the others named, to be written.
  Fix placeholders(int has, bool read_whole = true) const;
  int values_on_line() const;
  bool uses_tabs() const;
  // The ends of the line that holds `offset`. Rows come in text order, so
  // the line last found answers most questions: a text that is one long
  // line is looked at once, not once per row.
  std::size_t line_end_after(std::size_t offset) const;
  std::size_t line_start_before(std::size_t offset) const;
  // The line's end without its trailing blanks.
  std::size_t line_content_end(std::size_t offset) const;
  void find_line(std::size_t offset) const;
  void rows_before_generale();
  bool line_end_between(std::size_t from, std::size_t to) const;
  std::size_t token_end(std::size_t offset) const;
  TextSpan span(std::size_t from, std::size_t to) const { return {text_, from, to - from}; }
  std::int32_t route_length() const;

  Modello& m_;
  Text text_;
  std::string_view source_;
  const RowList& rows_;
  bool utf16_ = false;
  std::vector<TextSpan> before_generale_;
  mutable std::size_t line_from_ = 0, line_to_ = 0, line_trimmed_ = 0;  // the line last found
  mutable bool line_known_ = false;

  // The row in hand.
  bool in_row_ = false;
  Section section_ = Section::general;
  std::size_t row_offset_ = TextSpan::npos;
  std::size_t row_length_ = 0;
  std::size_t after_keyword_ = 0;  // just past the comma after the keyword field (npos: none)
  bool comma_follows_ = false;     // the keyword field ended at a comma
  std::string_view field_;
  std::size_t first_row_ = 0;      // the keyword field's first row
  std::size_t row_index_ = 0;      // the row acted on
  const RecordInfo* first_ = nullptr;  // the first record it is read as
  std::string_view name_;          // and its name
  int values_ = 0;                 // values all its records read
  int records_ = 0;
  bool commented_ = false;         // keyword-in-comment said for it

  // The records before, for out-of-order messages.
  std::int32_t last_gradient_ = 0;
  RowRef last_gradient_row_;
  RowRef last_curve_row_;
  std::int32_t last_step_[2] = {0, 0};
  RowRef last_step_row_[2];
};

}  // namespace scenario
