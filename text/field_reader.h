// The field reader shared by the line and train descriptions. A text is a
// stream of fields separated by commas or line ends; the reader never works
// line by line. Each read asks for a text or a whole number:
//  - text: leading blanks skipped, runs to the next comma or line end (which
//    is consumed); a text that begins with a double quote runs to the
//    closing quote. Trailing blanks are not part of the text.
//  - number: leading blanks skipped, ends at a blank, a comma or a line end;
//    an empty field reads 0. After the number, blanks and then one comma or
//    one line end are consumed, so "13   56   15" is three numbers.
// Reading past the end of the text, a number field holding anything but an
// optionally signed run of digits, and a number outside 32 bits are reading
// failures (ReadFailure), never a silent 0 or wrap.
// On request the reader records where each field it reads lies, so that
// whoever places a row's values (the warnings, the editor) never reads the
// row a second time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

namespace scenario {

// The reader's two kinds of separating byte: blanks around fields, and line
// ends (CR, LF, or both) between them. Everyone who looks at a text as the
// reader does uses these.
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
constexpr bool is_line_end(char c) { return c == '\r' || c == '\n'; }

class ReadFailure : public std::runtime_error {
 public:
  ReadFailure(std::size_t offset, const std::string& what)
      : std::runtime_error(what), offset_(offset) {}
  // Byte offset of the field at fault.
  std::size_t offset() const { return offset_; }

 private:
  std::size_t offset_;
};

struct Location {
  std::size_t line = 1;    // 1-based
  std::size_t column = 1;  // 1-based, in bytes
};

// Where a field lies: from its first byte after the leading blanks; a
// number up to its last digit, a text without its trailing blanks (a quoted
// text with its quotes).
struct FieldSpan {
  std::size_t offset = 0;
  std::size_t length = 0;
  std::size_t end() const { return offset + length; }
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}
  // The reader keeps a view: the text must outlive it.
  explicit FieldReader(std::string&&) = delete;
  explicit FieldReader(const char* text) : text_(text) {}

  bool eof() const { return pos_ >= text_.size(); }
  std::string_view text();
  std::int32_t number();
  // A number field, for a reader that goes on past a malformed one (the
  // row walk): a field that holds no whole number is consumed and gives
  // nothing, and `why` (when given) keeps the failure number() would have
  // thrown. The end of the text is still a failure.
  std::optional<std::int32_t> number_if_any(std::optional<ReadFailure>* why = nullptr);

  // From now on the span of every field read is appended to `spans`
  // (nullptr: no more); the caller clears it when it likes.
  void record_spans(std::vector<FieldSpan>* spans) { spans_ = spans; }

  // Where the last field read lies.
  FieldSpan last_field() const { return last_; }
  // Offset where the last field read began (after its leading blanks).
  std::size_t field_start() const { return field_start_; }
  std::size_t offset() const { return pos_; }
  std::string_view source() const { return text_; }

  // Line and column of an offset; computed only when a message needs it.
  static Location locate(std::string_view text, std::size_t offset);
  // The whole line that holds an offset, without its line end.
  static std::string_view line_at(std::string_view text, std::size_t offset);

 private:
  void skip_blanks();
  bool at_line_end() const;
  void consume_line_end();
  void begin_field();
  void end_number(std::size_t start);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t field_start_ = 0;
  FieldSpan last_;
  std::vector<FieldSpan>* spans_ = nullptr;
};

}  // namespace scenario
