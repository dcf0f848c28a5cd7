#include "rows/row_list.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "rows/keyword_fields.h"
#include "rows/text_match.h"

namespace scenario {
namespace {

std::atomic<std::uint64_t> built{0};

bool is_header(std::string_view f) { return !f.empty() && f.front() == '[' && contiene(f, "]"); }

bool lone_number(std::string_view f) {
  const std::size_t sign = !f.empty() && f[0] == '+' ? 1 : 0;
  if (f.size() <= sign) return false;
  return std::all_of(f.begin() + static_cast<std::ptrdiff_t>(sign), f.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

class Walk {
 public:
  Walk(std::string_view text, RowList& l) : text_(text), r_(text), l_(l) {}

  void line() {
    l_.body_start = text_.size();
    if (!generale(Text::linea)) return;
    for (;;) {
      const std::optional<Field> k = keyword(Section::general);
      if (!k || !rows(*k, Section::general)) break;
      if (closes_general(keyword_text_)) {
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
  // The last field read; the reader now stands just past its separator.
  Field last() const {
    const FieldSpan s = r_.last_field();
    const std::size_t at = r_.offset();
    Field f;
    f.offset = static_cast<std::uint32_t>(s.offset);
    f.length = static_cast<std::uint32_t>(s.length);
    f.comma_after = at > 0 && at > s.end() && text_[at - 1] == ',';
    return f;
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
        l_.preamble.push_back(last());
    });
    // Found, or the line description's last field: the field last read.
    if (g.keyword || !g.text.empty()) l_.generale = last();
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
        l_.headers.push_back(last());
      return std::nullopt;
    }
    const Field f = last();
    if (is_header(k.text)) l_.headers.push_back(f);
    if (after_row_ && lone_number(k.text))
      l_.lone_numbers.push_back({static_cast<std::uint32_t>(l_.rows.size() - 1), f});
    keyword_text_ = k.text;
    return f;
  }

  // The rows of keyword field k, record by record in test order; false
  // when the text ended inside one.
  bool rows(const Field& k, Section s) {
    const std::uint32_t passed = match_mask(s, keyword_text_);
    const std::span<const RecordInfo> in = records_in(s);
    bool any = false;
    for (std::size_t i = 0; i < in.size() && passed != 0; ++i) {
      const RecordInfo& rec = in[i];
      if ((passed >> i & 1u) == 0 || (rec.id == RecordId::curva && !l_.curves)) continue;
      l_.rows.push_back(Row{&rec, k, first_value(), 0, s, any});
      any = true;
      if (!values(l_.rows.size() - 1)) return false;
    }
    after_row_ = any;
    if (!any && shaped_like_a_row(k))
      l_.rows.push_back(Row{nullptr, k, first_value(), 0, s, false});
    return true;
  }

  // A keyword field that passes no test is kept only when an author may
  // have meant a row by it: words followed by a comma, neither a comment
  // nor a header. A text of commas or line ends then costs no memory per
  // field.
  bool shaped_like_a_row(const Field& k) const {
    const std::string_view f = keyword_text_;
    if (!k.comma_after) return false;
    if (contiene(f, "-") || contiene(f, "[") || contiene(f, "]")) return false;
    return std::any_of(f.begin(), f.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
  }

  // The values of rows[index], the last row.
  bool values(std::size_t index) {
    Row& row = l_.rows[index];
    std::size_t read = 0;
    for (const ValueInfo& v : row.record->values) {
      try {
        if (v.is_text()) {
          r_.text();
          l_.values.push_back(last());
        } else {
          std::optional<ReadFailure> why;
          const std::optional<std::int32_t> n = r_.number_if_any(&why);
          Field f = last();
          f.is_number = n.has_value();
          f.read = n.value_or(0);
          if (why) fail(index, read, *why);
          l_.values.push_back(f);
        }
      } catch (const ReadFailure& e) {
        fail(index, read, e);  // the text ended inside the row
        return false;
      }
      ++read;
      ++row.value_count;
    }
    return true;
  }

  std::uint32_t first_value() const { return static_cast<std::uint32_t>(l_.values.size()); }

  std::string_view text_;
  std::string_view keyword_text_;  // the text of the keyword field last read
  bool after_row_ = false;         // that field was read as a record
  FieldReader r_;
  RowList& l_;
};

}  // namespace

RowList read_rows(std::string_view text, Text which, bool curves) {
  built.fetch_add(1, std::memory_order_relaxed);
  RowList l;
  l.text = which;
  l.curves = curves && which == Text::linea;  // a train text has no curves either way
  // A text of rows holds about one row for every 20 bytes and one value
  // for every 5: room for that spares the moves of growing lists. Capped:
  // on some systems memory reserved is memory taken.
  l.rows.reserve(std::min<std::size_t>(text.size() / 16 + 16, 1 << 16));
  l.values.reserve(std::min<std::size_t>(text.size() / 4 + 16, 1 << 18));
  l.source = text;
  // Offsets are kept in 32 bits; the programs refuse such texts long before.
  if (text.size() > std::numeric_limits<std::uint32_t>::max() - 1) {
    l.failure = RowFailure{0, 0, 0, "the text is longer than 4 GiB"};
    return l;
  }
  Walk w(text, l);
  if (which == Text::linea) w.line();
  else w.train();
  return l;
}

std::shared_ptr<const RowList> read_rows(std::shared_ptr<const std::string> text, Text which,
                                         bool curves) {
  auto l = std::make_shared<RowList>(read_rows(*text, which, curves));
  l->owner = std::move(text);
  return l;
}

bool read_from(const RowList& rows, std::string_view text, Text which, bool curves) {
  return rows.text == which && rows.curves == (curves && which == Text::linea) && rows.source == text;
}

std::string_view RowList::text_of(const Field& f) const {
  std::string_view t = bytes_of(f);
  // A quoted text runs from its opening quote to its closing one, if any.
  if (!t.empty() && t.front() == '"') {
    t.remove_prefix(1);
    if (!t.empty() && t.back() == '"') t.remove_suffix(1);
  }
  return t;
}

std::uint64_t row_lists_built() { return built.load(std::memory_order_relaxed); }

}  // namespace scenario
