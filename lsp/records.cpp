#include "lsp/records.h"

#include <algorithm>
#include <vector>

#include "compiler/keyword_fields.h"
#include "compiler/text_match.h"
#include "text/field_reader.h"

namespace lsp {
namespace {

using scenario::FieldReader;
using scenario::FieldSpan;
using scenario::KeywordField;
using scenario::ReadFailure;
using scenario::Section;

bool is_header(std::string_view f) { return !f.empty() && f.front() == '[' && scenario::contiene(f, "]"); }

class Scan {
 public:
  Scan(std::string_view text, Outline& o) : text_(text), r_(text), o_(o) { r_.record_spans(&spans_); }

  FieldReader& reader() { return r_; }

  // The last field read, as the outline keeps it.
  Field last(std::string_view as_read) const {
    const FieldSpan s = spans_.back();
    return {s.offset, s.length, as_read, std::nullopt};
  }

  // The next keyword field of section s; nothing once the text ends (its
  // last field does nothing, but a closing "[fine]" still shows).
  std::optional<Field> keyword(Section s) {
    spans_.clear();
    const KeywordField k = scenario::next_keyword(r_, s);
    if (!k.keyword) {
      if (!spans_.empty() && is_header(k.text) && !scenario::contiene(k.text, "-"))
        o_.headers.push_back(last(k.text));
      return std::nullopt;
    }
    const Field f = last(k.text);
    if (is_header(f.text)) o_.headers.push_back(f);
    return f;
  }

  // Reads the rows of a keyword, record by record in test order; false
  // when the text ended inside one.
  bool rows(const Field& k, Section s) {
    bool complete = true;
    scenario::for_each_match(s, k.text, [&](const RecordInfo& rec) {
      if (!complete) return;
      Row row;
      row.record = &rec;
      row.keyword = k;
      row.end = k.offset + k.length;
      for (const FieldInfo& fi : rec.values) {
        if (r_.eof()) break;
        Field v;
        if (fi.is_text()) {
          const std::string_view t = r_.text();
          v = last(t);
        } else {
          const std::optional<std::int32_t> n = r_.number_if_any();
          v = last(text_.substr(spans_.back().offset, spans_.back().length));
          v.number = n;
        }
        row.end = v.offset + v.length;
        row.values.push_back(v);
      }
      complete = row.values.size() == rec.values.size();
      o_.rows.push_back(std::move(row));
    });
    return complete;
  }

 private:
  std::string_view text_;
  FieldReader r_;
  std::vector<FieldSpan> spans_;
  Outline& o_;
};

void scan_line(std::string_view text, Outline& o) {
  Scan s(text, o);
  o.body_start = text.size();
  const KeywordField g = scenario::find_generale(s.reader(), Text::linea, [](std::string_view) {});
  if (!g.keyword) return;
  o.headers.push_back(s.last(g.text));
  for (;;) {
    const std::optional<Field> k = s.keyword(Section::general);
    if (!k) return;
    if (!s.rows(*k, Section::general)) return;
    if (scenario::closes_general(k->text)) {
      o.body_start = k->offset + k->length;
      break;
    }
  }
  for (;;) {
    const std::optional<Field> k = s.keyword(Section::body);
    if (!k || !s.rows(*k, Section::body)) return;
  }
}

void scan_train(std::string_view text, Outline& o) {
  Scan s(text, o);
  const KeywordField g = scenario::find_generale(s.reader(), Text::treno, [](std::string_view) {});
  if (!g.keyword) return;
  o.headers.push_back(s.last(g.text));
  for (;;) {
    const std::optional<Field> k = s.keyword(Section::train);
    if (!k || !s.rows(*k, Section::train)) return;
  }
}

}  // namespace

Outline outline(std::string_view text, Text which) {
  Outline o;
  // The general section reads its comments without looking for the end:
  // a text that ends there simply ends the outline.
  try {
    if (which == Text::linea) scan_line(text, o);
    else scan_train(text, o);
  } catch (const ReadFailure&) {
  }
  return o;
}

const Row* row_at(const Outline& o, std::size_t offset) {
  auto after = std::upper_bound(o.rows.begin(), o.rows.end(), offset,
                                [](std::size_t x, const Row& r) { return x < r.keyword.offset; });
  if (after == o.rows.begin()) return nullptr;
  // Several records on one keyword read their values one after another.
  const std::size_t keyword = (after - 1)->keyword.offset;
  auto first = after - 1;
  while (first != o.rows.begin() && (first - 1)->keyword.offset == keyword) --first;
  for (auto r = first; r != after; ++r)
    if (offset <= r->end) return &*r;
  return nullptr;
}

int field_at(const Row& row, std::size_t offset) {
  for (std::size_t i = row.values.size(); i-- > 0;)
    if (offset >= row.values[i].offset) return static_cast<int>(i);
  return -1;
}

}  // namespace lsp
