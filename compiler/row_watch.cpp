#include "compiler/row_watch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "compiler/diagnose.h"
#include "compiler/rounding.h"
#include "rows/text_match.h"
#include "text/field_reader.h"
#include "text/cp1252.h"

namespace scenario {
namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first record of section `s` whose test the field passes.
const RecordInfo* passing(Section s, std::string_view field) {
  for (const RecordInfo& r : records_in(s))
    if (matches(r, field)) return &r;
  return nullptr;
}

// Edit distance with adjacent transpositions, for short words only.
std::size_t distance(std::string_view a, std::string_view b) {
  constexpr std::size_t longest = 24;
  if (a.size() > longest || b.size() > longest) return longest;
  std::size_t d[longest + 1][longest + 1];
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// How far a word may be from a keyword's word and still be taken for it.
std::size_t slack(std::string_view word) { return word.size() >= 8 ? 2 : word.size() >= 5 ? 1 : 0; }

// The words of a field, lower case: runs of letters and underscores.
std::vector<std::string> words_of(std::string_view field) {
  std::vector<std::string> words;
  std::string w;
  for (char c : field) {
    if (is_letter(c) || c == '_') {
      w += ascii_lower(c);
    } else if (!w.empty()) {
      words.push_back(std::move(w));
      w.clear();
    }
  }
  if (!w.empty()) words.push_back(std::move(w));
  return words;
}

// A record whose every word of one of its spellings the field holds,
// exactly or nearly (and one of them only nearly: a field holding them all
// exactly passes the test).
const RecordInfo* near(Section s, const std::vector<std::string>& words) {
  for (const RecordInfo& r : records_in(s)) {
    for (const Spelling& spelling : r.spellings) {
      bool all = true;
      for (std::string_view want : spelling.words) {
        if (want.empty()) continue;
        bool found = false;
        for (const std::string& w : words)
          if (w == want || (w.size() >= 4 && distance(w, want) <= slack(want))) found = true;
        all = all && found;
      }
      if (all) return &r;
    }
  }
  return nullptr;
}

// How a message writes a record's keyword: "curvad3' or 'curvas2" for a curve.
std::string as_written(const RecordInfo& r) {
  if (r.id != RecordId::curva) return std::string(r.keyword);
  std::string out;
  for (std::string_view k : curve_keywords) {
    if (!out.empty()) out += "' or '";
    out += k;
  }
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

std::string quoted(std::string_view s) {
  // Appended, not added: GCC 12 warns falsely about "'" + std::string at -O3.
  std::string out = "'";
  out += printable(s);
  out += '\'';
  return out;
}

std::string metres(std::int64_t p) { return std::to_string(p) + " m"; }

std::string code_point(char32_t cp) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string digits;
  for (int shift = cp > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4) digits += hex[(cp >> shift) & 0xFu];
  return "U+" + digits;
}

}  // namespace

std::int32_t RowWatch::route_length() const { return m_.tabella_percorso[voce::treno].dato2; }

void RowWatch::check_encoding() {
  const std::string_view which = text_ == Text::linea ? "line description" : "train description";
  if (std::all_of(source_.begin(), source_.end(), [](char c) { return is_blank(c) || is_line_end(c); })) {
    warn(m_, "empty-text", {text_, 0, 0},
         "the " + std::string(which) + " is empty" +
             (text_ == Text::treno ? ": the compiled files hold no train" : ""));
    return;
  }
  if (source_.size() >= 2 && ((source_[0] == '\xFF' && source_[1] == '\xFE') ||
                              (source_[0] == '\xFE' && source_[1] == '\xFF'))) {
    utf16_ = true;
    warn(m_, "utf-16", {text_, 0, 2},
         "the " + std::string(which) +
             " is in UTF-16 (it begins with a byte-order mark): the reader finds none of its "
             "records; save it as Windows-1252 text");
    return;
  }
  if (source_.starts_with("\xEF\xBB\xBF")) {
    Diagnostic& d = warn(m_, "utf-8", {text_, 0, 3},
                         "the " + std::string(which) +
                             " begins with a UTF-8 byte-order mark: save it as Windows-1252 text");
    Fix f = from_utf8(3);
    f.edits.insert(f.edits.begin(), {{text_, 0, 3}, ""});
    d.fixes.push_back(std::move(f));
    return;
  }
  // Most texts are ASCII: eight bytes at a time until one has its high bit.
  std::size_t i = 0;
  for (std::uint64_t eight; i + 8 <= source_.size(); i += 8) {
    std::memcpy(&eight, source_.data() + i, 8);
    if ((eight & 0x8080808080808080u) != 0) break;
  }
  for (; i < source_.size(); ++i) {
    if (static_cast<unsigned char>(source_[i]) < 0x80) continue;
    std::size_t end = i;
    const std::optional<char32_t> cp = scenario::next_utf8(source_, end);
    if (!cp) continue;
    const std::size_t n = end - i;
    const bool in_cp1252 = scenario::cp1252_byte(*cp).has_value();
    Diagnostic& d = warn(m_, "utf-8", {text_, i, n},
         in_cp1252
             ? "the " + std::string(which) + " looks like UTF-8: the character " + code_point(*cp) +
                   " here is read as " + std::to_string(n) +
                   " separate characters; save the text as Windows-1252"
             : "the character " + code_point(*cp) + " here has no Windows-1252 form: it is read as " +
                   std::to_string(n) + " separate characters");
    if (in_cp1252) d.fixes.push_back(from_utf8(i));
    return;
  }
}

Fix RowWatch::from_utf8(std::size_t from) const {
  // Every sequence from the first one on: one fixed would only move the
  // warning to the next.
  Fix f{"convert the text's UTF-8 characters to Windows-1252", {}};
  for (std::size_t i = from; i < source_.size(); ++i) {
    if (static_cast<unsigned char>(source_[i]) < 0x80) continue;
    std::size_t end = i;
    const std::optional<char32_t> cp = scenario::next_utf8(source_, end);
    if (!cp) continue;
    if (const std::optional<unsigned char> b = scenario::cp1252_byte(*cp)) {
      f.edits.push_back({{text_, i, end - i}, std::string(1, static_cast<char>(*b))});
      i = end - 1;
    }
  }
  return f;
}

void RowWatch::rows_before_generale() {
  std::size_t line = TextSpan::npos;
  bool line_commented = false;
  for (const Field& f : rows_.preamble) {
    const std::string_view field = rows_.text_of(f);
    // A comment, such as a title line, even past a comma on its line.
    if (contiene(field, "-")) continue;
    if (const std::size_t start = line_start_before(f.offset); start != line) {
      line = start;
      std::size_t first = start;
      while (first < source_.size() && is_blank(source_[first])) ++first;
      line_commented = first < source_.size() && source_[first] == '-';
    }
    if (line_commented) continue;
    if (!f.comma_after) continue;  // not shaped like a record
    const RecordInfo* k = text_ == Text::linea ? passing(Section::general, field) : nullptr;
    if (!k) k = passing(text_ == Text::linea ? Section::body : Section::train, field);
    if (!k || contiene(field, "[")) continue;
    before_generale_.push_back({text_, f.offset, field.size()});
  }
}

void RowWatch::found_generale() {
  rows_before_generale();
  for (const TextSpan& at : before_generale_) {
    Diagnostic& d = warn(m_, "not-read", at,
                         quoted(source_.substr(at.offset, at.length)) +
                             " stands before the [generale] field: everything before it is "
                             "skipped unread");
    d.notes.push_back({TextSpan{}, "move the record after [generale]"});
  }
  before_generale_.clear();
}

void RowWatch::no_generale() {
  rows_before_generale();
  if (utf16_ || std::all_of(source_.begin(), source_.end(),
                            [](char c) { return is_blank(c) || is_line_end(c); }))
    return;  // said already
  Diagnostic& d = warn(m_, "no-generale", {text_, 0, 0},
                       "the train description has no [generale] field: none of its rows is read "
                       "and the compiled files hold an empty train");
  if (!before_generale_.empty())
    d.notes.push_back({before_generale_.front(), "this row, for one, is not read"});
  d.notes.push_back({TextSpan{}, "begin the text with the line [generale]"});
}

void RowWatch::keyword(std::size_t i) {
  const Row& row = rows_.rows[i];
  const std::string_view field = rows_.text_of(row.keyword);
  in_row_ = true;
  section_ = row.section;
  field_ = field;
  first_row_ = row_index_ = i;
  row_offset_ = row.keyword.offset;
  // The reader hands the field over as a copy: its length, and the quotes
  // around a quoted one, place it.
  row_length_ = field.size() +
                (row_offset_ < source_.size() && source_[row_offset_] == '"' ? 2 : 0);
  comma_follows_ = row.keyword.comma_after;
  // Past a line end (or the text's end) no field of the keyword's line follows.
  after_keyword_ = comma_follows_ ? rows_.past_comma(row.keyword) : TextSpan::npos;
  name_ = {};
  first_ = nullptr;
  values_ = 0;
  records_ = 0;
  commented_ = false;
}

void RowWatch::record(std::size_t i) {
  row_index_ = i;
  const RecordInfo& r = *rows_.rows[i].record;
  if (records_++ == 0) {
    first_ = &r;
    name_ = r.name;
    keyword_in_comment();
  }
  values_ += static_cast<int>(r.value_count());
}

void RowWatch::keyword_in_comment() {
  const int limit = comment_fields(section_);
  const bool hyphen = contiene(field_, "-");
  const char first = field_.empty() ? ' ' : field_.front();
  const bool marked = !is_letter(first) && first != '[' && first != '"' && first != '_';
  // Words alone on their line read like a comment, unless they are a
  // keyword as the writers emit it (its values may follow on the next line).
  const bool prose = !comma_follows_ && contiene(field_, " ") && !written_keyword(field_);
  if (!hyphen && !marked && !prose) return;
  commented_ = true;
  Diagnostic& d = warn(m_, "keyword-in-comment", row(),
                       quoted(field_) + " is read as a '" + std::string(name_) +
                           "' record: it holds the keyword" +
                           (hyphen ? ", and only " + std::to_string(limit) +
                                         " fields in a row are skipped as comments here"
                                   : ", and a field without a hyphen is no comment"));
  d.notes.push_back({TextSpan{}, hyphen ? "leave the keyword out of the comment, or split the "
                                          "comment lines with a record"
                                        : "put a hyphen into every comment line: '- " +
                                              printable(field_) + "'"});
}

void RowWatch::row_done() {
  if (!in_row_) return;
  in_row_ = false;
  if (records_ == 0) {
    unrecognised();
    return;
  }
  // Most rows end at their line end: the rest of the line is looked at only
  // when the reader crossed a line end for the values or stopped at a comma.
  const Row& last = rows_.rows[row_index_];
  const std::span<const Field> last_values = rows_.values_of(last);
  const Field& last_field = last_values.empty() ? last.keyword : last_values.back();
  const std::size_t last_value = last_field.offset;
  if (line_end_between(row_offset_, last_value)) {
    if (commented_) return;
    Diagnostic& d = warn(m_, "missing-values", row(),
                         "'" + std::string(name_) + "' takes " + std::to_string(values_) +
                             (uses_tabs() ? " values: values are separated by commas; this row "
                                            "uses tabs, so the reader takes them from the lines "
                                            "after it"
                                          : " values and this row has " +
                                                std::to_string(values_on_line()) +
                                                ": the reader takes the others from the lines "
                                                "after it"));
    d.notes.push_back({{text_, last_value, token_end(last_value) - last_value},
                       "the row's last value is read here"});
    d.fixes.push_back(placeholders(values_on_line()));
    return;
  }
  // Values ended by a comma with more on the line: the rest is read as
  // keyword fields.
  if (!last_field.comma_after) return;
  const std::size_t after = rows_.past_comma(last_field);
  std::size_t from = after, to = std::max(line_content_end(after), after);
  while (from < to && is_blank(source_[from])) ++from;
  if (from == to || source_[from] == '-') return;
  if (first_->id == RecordId::stazione && records_ == 1) {
    const std::string_view nome = source_.substr(last_value, after - 1 - last_value);
    Diagnostic& d = warn(m_, "station-name-cut", {text_, last_value, after - 1 - last_value},
                         "the station name ends at the comma: " + quoted(nome) +
                             " is kept, and " + quoted(source_.substr(from, to - from)) +
                             " is read as keywords");
    const std::string_view whole = source_.substr(last_value, to - last_value);
    d.notes.push_back({TextSpan{}, "write the name in double quotes: \"" + printable(whole) + "\""});
    if (whole.find('"') == std::string_view::npos)
      d.fixes.push_back({"quote the name", {{span(last_value, to), "\"" + std::string(whole) + "\""}}});
    return;
  }
  Diagnostic& d = warn(m_, "extra-values", span(from, to),
                       "'" + std::string(name_) + "' reads " + std::to_string(values_) +
                           " values: the rest of the row is read as keyword fields");
  d.notes.push_back({row(), "the row begins here"});
  // From the comma after the last value the reader took.
  d.fixes.push_back({"remove the extra values", {{span(after - 1, to), ""}}});
}

Fix RowWatch::placeholders(int has, bool read_whole) const {
  // Values the reader took from the next line, when that line holds nothing
  // else: the row's meaning, joined back onto its line.
  const std::size_t line_end = line_end_after(row_offset_);
  // The row's fields as read: its keyword field, then every value of its records.
  const Field& keyword = rows_.rows[first_row_].keyword;
  std::vector<FieldSpan> spans{{keyword.offset, keyword.length}};
  for (std::size_t j = first_row_; j <= row_index_; ++j)
    for (const Field& f : rows_.values_of(j)) spans.push_back({f.offset, f.length});
  bool stranded = read_whole && spans.size() > 1 && spans.back().offset > line_end;
  std::vector<TextEdit> joins;
  for (std::size_t i = 1; stranded && i < spans.size(); ++i) {
    const std::size_t from = spans[i - 1].end(), to = spans[i].offset;
    if (!line_end_between(from, to)) continue;
    std::size_t a = from, b = to;
    while (a < b && is_blank(source_[a])) ++a;
    while (b > a && is_blank(source_[b - 1])) --b;
    const std::string_view gap = source_.substr(a, b - a);
    const std::string_view value = source_.substr(spans[i].offset, spans[i].length);
    // One line end between two values, and a value that is no keyword.
    stranded = (gap == "\r\n" || gap == "\n") && match_mask(section_, value) == 0;
    joins.push_back({span(from, to), ", "});
  }
  if (stranded) {
    const std::size_t last = spans.back().end();
    const std::size_t after = line_end_after(last);
    for (std::size_t i = last; i < after; ++i) stranded = stranded && is_blank(source_[i]);
  }
  if (stranded) return {"join the values on the next line onto the row's line", std::move(joins)};

  // Otherwise the missing values as named tab stops: never a value the
  // author did not write.
  std::vector<const ValueInfo*> values;
  for (std::size_t j = first_row_; j <= row_index_; ++j)
    for (const ValueInfo& v : rows_.rows[j].record->values) values.push_back(&v);
  std::size_t end = line_end_after(row_offset_);
  while (end > row_offset_ && is_blank(source_[end - 1])) --end;
  // A comma before the line end leaves an empty field: a value read as 0.
  const bool open_field = end > after_keyword_ && source_[end - 1] == ',';
  std::string text;
  int stop = 1;
  for (int i = has + (open_field ? 1 : 0); i < values_; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const std::string name = k < values.size() ? std::string(values[k]->name) : "value";
    text += (text.empty() && open_field ? " " : ", ") + ("${" + std::to_string(stop++) + ":" + name + "}");
  }
  return {"write the missing values on the row's line", {{span(end, end), text}}, true};
}

void RowWatch::unrecognised() {
  const std::string_view f = field_;
  if (f.empty() || !comma_follows_ || contiene(f, "-") || contiene(f, "[") || contiene(f, "]")) return;
  auto not_read = [&](std::string why, std::string fix) {
    Diagnostic& d = warn(m_, "not-read", row(), quoted(f) + " " + why);
    d.notes.push_back({TextSpan{}, std::move(fix)});
  };
  switch (section_) {
    case Section::general:
      if (passing(Section::body, f))
        return not_read("is a record of the body, but the general section lasts until the first "
                        "[header] and reads only its own records: this one is skipped",
                        "put a section header such as [curve] before the body's records");
      if (passing(Section::train, f))
        return not_read("is a train description row: the line description skips it",
                        "move it into the train description");
      if (const RecordInfo* k = passing(Section::general, lower(f)))
        return not_read("is not read: the general section's keywords must be written in lower "
                        "case",
                        "write '" + std::string(k->keyword) + "'");
      break;
    case Section::body:
      if (matches(scenario::record(RecordId::curva), f)) {
        // Without the plan a curve is no record; one without its class
        // would stop a compilation with the plan.
        if (curvatura(f) == 0.0) {
          Diagnostic& d = warn(m_, "curve-keyword", row(),
                               quoted(f) + " has no class digit 1 to 6: compiled with the line "
                                           "plan, it is error 103");
          d.notes.push_back({TextSpan{}, "write the class into the keyword, as in '" + std::string(curve_keywords[0]) + "'"});
        }
        return;
      }
      if (passing(Section::general, f))
        return not_read("is a general section record: in the body it is skipped",
                        "move it before the first section header, after [generale]");
      if (passing(Section::train, f))
        return not_read("is a train description row: the line description skips it",
                        "move it into the train description");
      break;
    case Section::train:
      if (passing(Section::general, f) || passing(Section::body, f))
        return not_read("is a line description record: the train description skips it",
                        "move it into the line description");
      break;
  }
  near_miss(f);
}

void RowWatch::near_miss(std::string_view f) {
  const std::vector<std::string> words = words_of(f);
  const RecordInfo* k = near(section_, words);
  if (!k) return;
  Diagnostic& d = warn(m_, "unknown-keyword", row(),
                       quoted(f) + " is no keyword: the row is skipped; did you mean '" +
                           as_written(*k) + "'?");
  if (k->id == RecordId::curva) {
    for (std::string_view c : curve_keywords)
      d.fixes.push_back({"write '" + std::string(c) + "'", {{row(), std::string(c)}}});
  } else {
    d.fixes.push_back({"write '" + std::string(k->keyword) + "'", {{row(), std::string(k->keyword)}}});
  }
  d.notes.push_back({TextSpan{}, "fields in a keyword's place that hold no keyword are skipped, "
                                 "and so are the values after them"});
}

void RowWatch::find_line(std::size_t offset) const {
  offset = std::min(offset, source_.size());
  if (line_known_ && line_from_ <= offset && offset <= line_to_) return;
  std::size_t from = offset, to = offset;
  while (from > 0 && !is_line_end(source_[from - 1])) --from;
  while (to < source_.size() && !is_line_end(source_[to])) ++to;
  // An offset on a line end stands for the empty rest of its line.
  line_from_ = from;
  line_to_ = to;
  line_trimmed_ = to;
  while (line_trimmed_ > from && is_blank(source_[line_trimmed_ - 1])) --line_trimmed_;
  line_known_ = true;
}

std::size_t RowWatch::line_end_after(std::size_t offset) const {
  find_line(offset);
  return line_to_;
}

std::size_t RowWatch::line_start_before(std::size_t offset) const {
  find_line(offset);
  return line_from_;
}

std::size_t RowWatch::line_content_end(std::size_t offset) const {
  find_line(offset);
  return line_trimmed_;
}

bool RowWatch::line_end_between(std::size_t from, std::size_t to) const {
  if (from >= to || from >= source_.size()) return false;
  const std::size_t n = std::min(to, source_.size()) - from;
  return std::memchr(source_.data() + from, '\n', n) != nullptr ||
         std::memchr(source_.data() + from, '\r', n) != nullptr;
}

// Tabs separate no fields: a row written with them is one keyword field.
bool RowWatch::uses_tabs() const { return field_.find('\t') != std::string_view::npos; }

int RowWatch::values_on_line() const {
  const std::size_t line_end = line_end_after(row_offset_);
  int n = 0;
  for (std::size_t j = first_row_; j <= row_index_; ++j)
    for (const Field& f : rows_.values_of(j)) n += f.offset < line_end ? 1 : 0;
  return n;
}

std::size_t RowWatch::token_end(std::size_t offset) const {
  std::size_t end = std::min(offset, source_.size());
  while (end < source_.size() && source_[end] != ',' && !is_blank(source_[end]) &&
         !is_line_end(source_[end]))
    ++end;
  return end;
}

TextSpan RowWatch::value(int index) const {
  const std::span<const Field> values = rows_.values_of(row_index_);
  const std::size_t i = static_cast<std::size_t>(index);
  if (index < 0 || !in_row_ || i >= values.size()) return row();
  return {text_, values[i].offset, values[i].length};
}

void RowWatch::gradient(const LineState& st, std::int32_t p) {
  const std::int64_t i = indice_vicino(p / 50.0);
  const std::int64_t cursor = st.cursore_pendenza;
  if (cursor > 0 && i <= cursor) {
    const std::int64_t from = (i > 0 ? cursor + 1 : cursor) * 50;
    Diagnostic& d = warn(m_, "out-of-order", value(0),
                         "gradients must come in increasing position order: after the gradient "
                         "at " + metres(last_gradient_) + ", this one takes effect from " +
                             metres(from) + ", not from " + metres(p));
    if (last_gradient_row_.known()) d.notes.push_back({last_gradient_row_.span(), "the gradient before it"});
  }
  last_gradient_ = p;
  last_gradient_row_ = row_ref();
}

void RowWatch::curve(const LineState& st, std::string_view keyword, double k, std::int32_t s,
                     std::int32_t n) {
  // The side: an 's' anywhere makes a left-hand curve, even in "destra".
  const char right = curve_right;
  if (k < 0 && (contiene_ci(keyword, curve_keyword(std::string_view(&right, 1), "")) ||
                contiene_ci(keyword, "destr") ||
                contiene_ci(keyword, "right"))) {
    Diagnostic& d = warn(m_, "curve-keyword", row(),
                         quoted(keyword) + " is read as a left-hand curve: any 's' in a curve "
                                           "keyword makes it left-handed");
    d.notes.push_back({TextSpan{}, "write a right-hand curve without any 's', as '" + std::string(curve_keywords[0]) + "'"});
  }
  int digits = 0;
  for (char c : keyword) digits += c >= '0' && c <= '9' ? 1 : 0;
  if (digits > 1) {
    char cls = '1';
    for (char c : curve_class_digits)
      if (contiene(keyword, std::string_view(&c, 1))) {
        cls = c;
        break;
      }
    Diagnostic& d = warn(m_, "curve-keyword", row(),
                         quoted(keyword) + " holds more than one digit: the class is the lowest "
                                           "digit 1 to 6 in it, here " + std::string(1, cls));
    d.notes.push_back({TextSpan{}, "write one class digit, as in '" + std::string(curve_keywords[0]) + "'"});
  }

  // Order: points up to the plan cursor are laid already.
  const std::int64_t c = st.cursore_piano;
  if (last_curve_row_.known() && n >= 0 && c > std::int64_t{s} + 1) {
    const std::int64_t end = std::int64_t{s} + n;
    Diagnostic& d = warn(m_, "out-of-order", value(0),
                         c > end ? "curves must come in increasing position order: the plan is "
                                   "already laid to " + metres(c - 1) + ", past this curve's end (" +
                                       metres(end) + "): the curve is lost"
                                 : "curves must come in increasing position order: the plan is "
                                   "already laid to " + metres(c - 1) + ", so this curve bends "
                                   "only from " + metres(c) + " to " + metres(end));
    d.notes.push_back({last_curve_row_.span(), "the curve before it"});
  }
  last_curve_row_ = row_ref();
  placed(s, std::int64_t{s} + std::max<std::int32_t>(n, 0));
}

void RowWatch::mountain(std::int32_t inizio, std::int32_t fine) {
  const std::int64_t first = indice_vicino(inizio / 50.0);
  const std::int64_t last = indice_vicino(fine / 50.0 - 1);
  if (fine < inizio) {
    warn(m_, "empty-mountain", value(1),
         "the mountain ends (" + metres(fine) + ") before it starts (" + metres(inizio) +
             "): it covers no track cell and vanishes");
  } else if (first > last) {
    warn(m_, "empty-mountain", row(),
         "the mountain from " + metres(inizio) + " to " + metres(fine) +
             " is too short to cover a track cell: it vanishes");
  }
  placed(inizio, std::max(inizio, fine));
}

void RowWatch::step(std::string_view what, std::int64_t indice, std::int32_t p) {
  const int k = what == "speed" ? 0 : 1;
  const std::int64_t n = indice_vicino(p / 50.0);
  if (indice > 0 && n <= indice && indice < m_.ultima_cella) {
    const std::int64_t from = (n > 0 ? indice + 1 : indice) * 50;
    Diagnostic& d = warn(m_, "out-of-order", value(0),
                         std::string(what) + " steps must come in increasing position order: "
                                             "after the step at " + metres(last_step_[k]) +
                             ", this one takes effect from " + metres(from) + ", not from " +
                             metres(p));
    if (last_step_row_[k].known()) d.notes.push_back({last_step_row_[k].span(), "the step before it"});
  }
  last_step_[k] = p;
  last_step_row_[k] = row_ref();
  placed(p);
}

void RowWatch::placed(std::int32_t p, std::int64_t fine) {
  const std::int32_t length = route_length();
  if (std::max<std::int64_t>(p, fine) <= length) return;
  // Appended, not added: GCC 12 warns falsely about "'" + std::string at -O3.
  std::string message = "'";
  message += name_;
  message += "' ";
  message += p > length ? "at " + metres(p) : "reaching to " + metres(fine);
  message += " lies past the route length (" + metres(length) +
             "), in the 7000 m run-out behind the line's end";
  Diagnostic& d = warn(m_, "in-run-out", p > length ? value(0) : row(), message);
  d.notes.push_back({TextSpan{}, "keep the line's features within its length"});
}

void RowWatch::unreadable(const ReadFailure& e) {
  std::size_t at = e.offset();
  if (at > source_.size() && at != TextSpan::npos) at = source_.size();
  const std::string why = e.what();
  const bool short_row =
      in_row_ && records_ > 0 && at != TextSpan::npos && at >= line_end_after(row_offset_);
  if (short_row) {
    m_.read_failure = "'" + std::string(name_) + "' takes " + std::to_string(values_) +
                      (uses_tabs() ? " values: values are separated by commas; this row uses tabs"
                                   : " values, this row has " + std::to_string(values_on_line()));
    Diagnostic& d = record_error(m_, ScenarioError::unreadable, row());
    d.message += ": " + m_.read_failure;
    if (at >= source_.size())
      d.notes.push_back({TextSpan{}, "the text ends before the row's values do"});
    else
      d.notes.push_back({span(at, token_end(at)), "the reader went on to the next line for them: " + why});
    d.fixes.push_back(placeholders(values_on_line(), false));
    return;
  }
  m_.read_failure = why;
  TextSpan place{text_, at, 0};
  if (at == source_.size()) {
    // The text ended where a field was due: point at the end of its last line.
    std::size_t end = at;
    while (end > 0 && is_line_end(source_[end - 1])) --end;
    place.offset = end;
  } else if (at != TextSpan::npos) {
    place.length = token_end(at) - at;
  }
  Diagnostic& d = record_error(m_, ScenarioError::unreadable, place);
  d.message += ": " + why;
}

}  // namespace scenario
