#include "compiler/row_scan.h"

#include "rows/keyword_fields.h"

namespace scenario {
namespace {

bool lone_number(std::string_view f) {
  if (f.empty()) return false;
  for (std::size_t i = f[0] == '+' ? 1 : 0; i < f.size(); ++i)
    if (f[i] < '0' || f[i] > '9') return false;
  return f.size() > (f[0] == '+' ? 1u : 0u);
}

class Walk {
 public:
  Walk(RowScan& out, Text text, std::string_view source)
      : out_(out), text_(text), r_(source) {}

  // Every record of `s` the keyword field passes, each reading its values.
  void row(Section s, std::string_view field, bool plan) {
    const std::size_t at = r_.field_start();
    const FieldSpan keyword{at, field.size()};
    bool any = false;
    for_each_match(s, field, [&](const RecordInfo& rec) {
      if (rec.id == RecordId::curva && !plan) return;
      ScannedRow row{&rec, text_, keyword, out_.values.size()};
      // Only a row's own values are placed: whatever lies between rows may
      // be a text of millions of empty fields.
      r_.record_spans(&spans_);
      for (const ValueInfo& v : rec.values) {
        spans_.clear();
        const std::int32_t n = v.is_text() ? (r_.text(), 0) : r_.number();
        out_.values.push_back({n, spans_.empty() ? FieldSpan{r_.field_start(), 0} : spans_.back()});
      }
      r_.record_spans(nullptr);
      out_.given[static_cast<std::size_t>(rec.id)] = true;
      // Rows of the records no check looks at are kept only with an empty
      // field, so that a text of a million header rows keeps nothing.
      if (!kept(rec) && !has_empty_number(rec, row.first)) {
        out_.values.resize(row.first);
        return;
      }
      out_.rows.push_back(row);
      any = true;
    });
    last_row_ = any ? out_.rows.size() : 0;
  }

  // A keyword field that holds a lone number right after a row.
  void next_field(std::string_view field) {
    if (last_row_ != 0 && lone_number(field)) {
      out_.rows[last_row_ - 1].lone_number_after = r_.field_start();
      out_.rows[last_row_ - 1].lone_number_length = field.size();
    }
    last_row_ = 0;
  }

  FieldReader& reader() { return r_; }

 private:
  static bool kept(const RecordInfo& rec) {
    return rec.placement != Placement::none || rec.id == RecordId::orologio;
  }
  bool has_empty_number(const RecordInfo& rec, std::size_t first) const {
    for (std::size_t i = 0; i < rec.value_count(); ++i)
      if (!rec.values[i].is_text() && out_.values[first + i].span.length == 0) return true;
    return false;
  }

 public:

 private:
  RowScan& out_;
  Text text_;
  FieldReader r_;
  std::vector<FieldSpan> spans_;
  std::size_t last_row_ = 0;  // the row just read, plus one
};

void scan_line(RowScan& out, std::string_view text, bool plan) {
  Walk w(out, Text::linea, text);
  FieldReader& r = w.reader();
  if (!find_generale(r, Text::linea, [](std::string_view) {}).keyword) return;
  for (;;) {
    const KeywordField k = next_keyword(r, Section::general);
    if (!k.keyword) return;
    w.next_field(k.text);
    w.row(Section::general, k.text, plan);
    if (closes_general(k.text)) break;
  }
  for (;;) {
    const KeywordField k = next_keyword(r, Section::body);
    if (!k.keyword) return;
    w.next_field(k.text);
    w.row(Section::body, k.text, plan);
  }
}

void scan_train(RowScan& out, std::string_view text) {
  Walk w(out, Text::treno, text);
  FieldReader& r = w.reader();
  if (!find_generale(r, Text::treno, [](std::string_view) {}).keyword) return;
  out.treno_generale = r.field_start();
  for (;;) {
    const KeywordField k = next_keyword(r, Section::train);
    if (!k.keyword) return;
    w.next_field(k.text);
    w.row(Section::train, k.text, false);
  }
}

}  // namespace

std::string_view RowScan::text_value(const ScannedRow& r, std::size_t i) const {
  const FieldSpan& s = values[r.first + i].span;
  std::string_view v = source(r.text).substr(s.offset, s.length);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

RowScan scan_rows(std::string_view linea, std::string_view treno, bool plan) {
  RowScan out;
  out.linea = linea;
  out.treno = treno;
  // A failure ends a text's rows where its reader stopped as well: a row
  // joins the list only once all its values are read.
  try {
    scan_line(out, linea, plan);
  } catch (const ReadFailure&) {
  }
  try {
    scan_train(out, treno);
  } catch (const ReadFailure&) {
  }
  return out;
}

}  // namespace scenario
