#include "rows/row_list.h"

#include <algorithm>
#include <atomic>

#include "rows/keyword_fields.h"
#include "rows/text_match.h"

namespace scenario {
namespace {

std::atomic<std::uint64_t> built{0};

bool is_header(std::string_view f) { return !f.empty() && f.front() == '[' && contiene(f, "]"); }

class Walk {
 public:
  Walk(std::string_view text, RowList& l) : text_(text), r_(text), l_(l) {}

  void line() {
    l_.body_start = text_.size();
    if (!generale(Text::linea)) return;
    for (;;) {
      const std::optional<Field> k = keyword(Section::general);
      if (!k || !rows(*k, Section::general)) break;
      if (closes_general(k->text)) {
        l_.body_start = k->end();
        break;
      }
    }
    // Past a failure at the text's end the body is empty: the walk is at the end.
    l_.general_end = r_.offset();
    for (;;) {
      const std::optional<Field> k = keyword(Section::body);
      if (!k || !rows(*k, Section::body)) return;
    }
  }

  void train() {
    if (!generale(Text::treno)) return;
    for (;;) {
      const std::optional<Field> k = keyword(Section::train);
      if (!k || !rows(*k, Section::train)) return;
    }
  }

 private:
  // The last field read.
  Field last(std::string_view as_read) const {
    const FieldSpan s = r_.last_field();
    return {s.offset, s.length, r_.offset(), as_read, std::nullopt};
  }

  void fail(std::size_t row, std::size_t value, const ReadFailure& e) {
    if (!l_.failure) l_.failure = RowFailure{row, value, e.offset(), e.what()};
  }

  bool generale(Text t) {
    const Section keyed = t == Text::linea ? Section::general : Section::train;
    const KeywordField g = find_generale(r_, t, [&](std::string_view f) {
      // Only fields shaped like a record matter to anyone: the others
      // would only cost memory on a long preamble.
      if (match_mask(keyed, f) != 0 || (t == Text::linea && match_mask(Section::body, f) != 0))
        l_.preamble.push_back(last(f));
    });
    // Found, or the line description's last field: the field last read.
    if (g.keyword || !g.text.empty()) l_.generale = last(g.text);
    if (!g.keyword) return false;
    l_.generale_read = true;
    l_.headers.push_back(*l_.generale);
    return true;
  }

  // The next keyword field of section s; nothing once the text ends (its
  // last field does nothing, but a closing "[fine]" still shows as a header).
  std::optional<Field> keyword(Section s) {
    KeywordField k;
    try {
      k = next_keyword(r_, s);
    } catch (const ReadFailure& e) {
      fail(l_.rows.size(), 0, e);  // the general section read its comments past the end
      return std::nullopt;
    }
    if (!k.keyword) {
      if (is_header(k.text) && !contiene(k.text, "-"))  // a header is a field read
        l_.headers.push_back(last(k.text));
      return std::nullopt;
    }
    const Field f = last(k.text);
    if (is_header(f.text)) l_.headers.push_back(f);
    return f;
  }

  // The rows of keyword field k, record by record in test order; false
  // when the text ended inside one.
  bool rows(const Field& k, Section s) {
    const std::uint32_t passed = match_mask(s, k.text);
    const std::span<const RecordInfo> in = records_in(s);
    bool any = false;
    for (std::size_t i = 0; i < in.size() && passed != 0; ++i) {
      const RecordInfo& rec = in[i];
      if ((passed >> i & 1u) == 0 || (rec.id == RecordId::curva && !l_.curves)) continue;
      l_.rows.push_back(Row{&rec, s, any, k, {}, k.end(), l_.values.size()});
      any = true;
      if (!values(l_.rows.size() - 1)) return false;
    }
    if (!any && shaped_like_a_row(k))
      l_.rows.push_back(Row{nullptr, s, false, k, {}, k.end(), l_.values.size()});
    return true;
  }

  // A keyword field that passes no test is kept only when an author may
  // have meant a row by it: words followed by a comma, neither a comment
  // nor a header. A text of commas or line ends then costs no memory per
  // field.
  bool shaped_like_a_row(const Field& k) const {
    const std::string_view f = k.text;
    if (k.next == 0 || text_[k.next - 1] != ',') return false;
    if (contiene(f, "-") || contiene(f, "[") || contiene(f, "]")) return false;
    return std::any_of(f.begin(), f.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
  }

  // The values of rows[index], the last row; its span is set once the
  // list's values stop moving (read_rows).
  bool values(std::size_t index) {
    Row& row = l_.rows[index];
    std::size_t read = 0;
    for (const ValueInfo& v : row.record->values) {
      try {
        if (v.is_text()) {
          const std::string_view t = r_.text();
          l_.values.push_back(last(t));
        } else {
          std::optional<ReadFailure> why;
          const std::optional<std::int32_t> n = r_.number_if_any(&why);
          Field f = last({});
          f.text = text_.substr(f.offset, f.length);
          f.number = n;
          if (why) fail(index, read, *why);
          l_.values.push_back(f);
        }
      } catch (const ReadFailure& e) {
        fail(index, read, e);  // the text ended inside the row
        return false;
      }
      ++read;
      row.end = l_.values.back().end();
    }
    return true;
  }

  std::string_view text_;
  FieldReader r_;
  RowList& l_;
};

}  // namespace

RowList read_rows(std::string_view text, Text which, bool curves) {
  built.fetch_add(1, std::memory_order_relaxed);
  RowList l;
  l.text = which;
  l.curves = curves;
  // A text of rows holds about one row for every 20 bytes and one value
  // for every 5: room for that spares the moves of growing lists. Capped:
  // on some systems memory reserved is memory taken.
  l.rows.reserve(std::min<std::size_t>(text.size() / 16 + 16, 1 << 16));
  l.values.reserve(std::min<std::size_t>(text.size() / 4 + 16, 1 << 18));
  Walk w(text, l);
  if (which == Text::linea) w.line();
  else w.train();
  // Values read up to the next row's first (the last row: to the end).
  for (std::size_t i = 0; i < l.rows.size(); ++i) {
    Row& r = l.rows[i];
    const std::size_t to = i + 1 < l.rows.size() ? l.rows[i + 1].first_value : l.values.size();
    r.values = std::span<const Field>(l.values.data() + r.first_value, to - r.first_value);
  }
  return l;
}

std::uint64_t row_lists_built() { return built.load(std::memory_order_relaxed); }

}  // namespace scenario
