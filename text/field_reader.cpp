#include "text/field_reader.h"

#include <algorithm>
#include <limits>

namespace scenario {
namespace {


// A non-breaking space (Windows-1252 A0) looks like a blank but is none.
constexpr unsigned char nbsp = 0xA0;

// A field as a message quotes it: a control character as \0 or \xNN, since
// a NUL would end the message, and a long field cut short.
std::string shown(std::string_view field) {
  static constexpr char hex[] = "0123456789ABCDEF";
  constexpr std::size_t longest = 40;
  std::string out;
  for (const char ch : field.substr(0, longest)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) {
      out += "\\0";
    } else if (c < 0x20 || c == 0x7F || c == nbsp) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += ch;
    }
  }
  if (field.size() > longest) out += "…";
  return out;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
// Units an author may write after a number: metres, kilometres, km/h, per
// mille and per cent, seconds, minutes, hours.
bool is_unit(std::string_view s) {
  for (const std::string_view u : {"m", "mt", "km", "km/h", "kmh", "%", "s", "sec", "min", "h"})
    if (s.size() == u.size() && std::equal(s.begin(), s.end(), u.begin(), [](char a, char b) {
          return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
        }))
      return true;
  return false;
}

// Why a number field holds no whole number, in the author's terms: the
// separator or unit in it, and the number it was meant to be.
std::string not_a_number(std::string_view text, std::size_t start, std::string_view token) {
  std::string why = "\"" + shown(token) + "\" is not a whole number";
  std::size_t digits = 0;
  while (digits < token.size() && (is_digit(token[digits]) || (digits == 0 && token[0] == '-'))) ++digits;
  const std::string_view lead = token.substr(0, digits), rest = token.substr(digits);
  const bool has_digits = digits > 0 && is_digit(token[digits - 1]);
  if (has_digits && rest.size() >= 2 && (rest[0] == '.' || rest[0] == '\'') && is_digit(rest[1])) {
    std::string whole(lead);
    for (char c : rest.substr(1)) if (is_digit(c)) whole += c;
    return why + ": numbers are whole, with no decimal point or thousands separator ('" +
           std::string(1, rest[0]) + "'): write " + whole + " for thousands, or a whole " +
           std::string(lead) + " for a decimal";
  }
  if (token.find(static_cast<char>(nbsp)) != std::string_view::npos) {
    std::string plain;
    for (char c : token) if (static_cast<unsigned char>(c) != nbsp) plain += c;
    return why + ": it holds a non-breaking space (byte A0, shown as \\xA0), which looks like a "
                 "blank but is none; write " + (plain.empty() ? std::string("the number") : "'" + shown(plain) + "'") +
           " with plain blanks or none";
  }
  if (has_digits && !rest.empty() && rest[0] == ';')
    return why + ": values are separated by commas, not semicolons; " + std::string(lead) +
           " would be read here";
  if (has_digits && is_unit(rest))
    return why + ": write the number without its unit '" + shown(rest) + "': " + std::string(lead);
  // "14000 m": a unit set apart from the number before it.
  if (is_unit(token)) {
    std::size_t before = start;
    while (before > 0 && is_blank(text[before - 1])) --before;
    if (before < start && before > 0 && is_digit(text[before - 1]))
      return why + ": is it the unit of the number before it? write numbers without units";
  }
  return why;
}

}  // namespace

void FieldReader::skip_blanks() {
  while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
}

bool FieldReader::at_line_end() const { return pos_ < text_.size() && is_line_end(text_[pos_]); }

void FieldReader::consume_line_end() {
  // CR LF is one line end; a lone CR or LF counts as one too.
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

void FieldReader::begin_field() {
  if (eof()) throw ReadFailure(pos_, "the text ends where a field was expected");
  skip_blanks();
  field_start_ = pos_;
}

std::string_view FieldReader::text() {
  begin_field();
  if (pos_ < text_.size() && text_[pos_] == '"') {
    std::size_t open = ++pos_;
    std::size_t close = text_.find('"', open);
    if (close == std::string_view::npos) close = text_.size();
    std::string_view quoted = text_.substr(open, close - open);
    pos_ = close < text_.size() ? close + 1 : close;
    last_ = {field_start_, pos_ - field_start_};
    if (spans_) spans_->push_back(last_);
    // Anything between the closing quote and the separator is dropped.
    while (pos_ < text_.size() && text_[pos_] != ',' && !is_line_end(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == ',') ++pos_; else consume_line_end();
    return quoted;
  }
  std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !is_line_end(text_[pos_])) ++pos_;
  std::size_t end = pos_;
  while (end > start && is_blank(text_[end - 1])) --end;
  last_ = {start, end - start};
    if (spans_) spans_->push_back(last_);
  if (pos_ < text_.size() && text_[pos_] == ',') ++pos_; else consume_line_end();
  return text_.substr(start, end - start);
}

std::int32_t FieldReader::number() {
  begin_field();
  std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !is_blank(text_[pos_]) &&
         !is_line_end(text_[pos_]))
    ++pos_;
  std::string_view token = text_.substr(start, pos_ - start);

  std::int64_t value = 0;
  if (!token.empty()) {
    std::size_t i = 0;
    bool negative = false;
    if (token[0] == '+' || token[0] == '-') {
      negative = token[0] == '-';
      i = 1;
    }
    if (i == token.size()) throw ReadFailure(start, not_a_number(text_, start, token));
    for (; i < token.size(); ++i) {
      char c = token[i];
      if (c < '0' || c > '9') throw ReadFailure(start, not_a_number(text_, start, token));
      value = value * 10 + (c - '0');
      if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
        throw ReadFailure(start, shown(token) + " does not fit in 32 bits");
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
      throw ReadFailure(start, shown(token) + " does not fit in 32 bits");
  }
  end_number(start);
  return static_cast<std::int32_t>(value);
}

void FieldReader::end_number(std::size_t start) {
  last_ = {start, pos_ - start};
    if (spans_) spans_->push_back(last_);
  skip_blanks();
  if (pos_ < text_.size() && text_[pos_] == ',') ++pos_; else consume_line_end();
}

std::optional<std::int32_t> FieldReader::number_if_any(std::optional<ReadFailure>* why) {
  if (eof()) throw ReadFailure(pos_, "the text ends where a field was expected");
  try {
    return number();
  } catch (const ReadFailure& e) {
    if (why) why->emplace(e);
    // number() fails only once it has passed the field's token.
    end_number(field_start_);
    return std::nullopt;
  }
}

Location FieldReader::locate(std::string_view text, std::size_t offset) {
  Location loc;
  if (offset > text.size()) offset = text.size();
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++loc.line;
      line_start = i + 1;
    }
  }
  loc.column = offset - line_start + 1;
  return loc;
}

std::string_view FieldReader::line_at(std::string_view text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  std::size_t start = offset;
  while (start > 0 && !is_line_end(text[start - 1])) --start;
  std::size_t end = offset;
  while (end < text.size() && !is_line_end(text[end])) ++end;
  return text.substr(start, end - start);
}

}  // namespace scenario
