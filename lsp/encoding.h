// Editors send and receive Unicode (UTF-8 in the protocol's JSON); the
// description texts are Windows-1252 bytes. Every Windows-1252 character is
// one UTF-16 code unit, so once a buffer is converted a protocol position's
// character is a byte offset within its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/unmapped_marks.h"

namespace lsp {

struct Converted {
  std::string bytes;       // Windows-1252
  UnmappedMarks unmapped;  // the bytes that stand for characters the page cannot hold
};

// UTF-8 to Windows-1252. A character the page cannot hold becomes '?' once
// per UTF-16 code unit it takes, so that positions still line up, and those
// bytes are marked. Malformed UTF-8 (JSON parsers refuse it) counts as one
// unmapped character per byte.
Converted to_cp1252(std::string_view utf8);

// Windows-1252 to UTF-8, for messages, names and hover texts.
std::string to_utf8(std::string_view cp1252);
// A compiler message for the protocol: UTF-8 as it is, else (it quotes a
// description text's bytes) read as Windows-1252.
std::string protocol_text(std::string_view s);

struct Position {
  std::size_t line = 0;       // 0-based
  std::size_t character = 0;  // 0-based, in bytes of the line = UTF-16 units
  friend bool operator==(const Position&, const Position&) = default;
};

// Where lines begin in a text. A line ends at CR LF, a lone CR or a lone LF,
// as both the field reader and the protocol count them.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  Position position(std::size_t offset) const;  // offsets past the end clamp to it
  // A position past its line's end clamps to the line's end, a line past
  // the last to the end of the text.
  std::size_t offset(Position p) const;
  std::size_t lines() const { return starts_.size(); }
  // The line's bytes without its line end.
  std::string_view line(std::size_t n) const;

 private:
  std::string_view text_;
  std::vector<std::uint32_t> starts_;
};

}  // namespace lsp
