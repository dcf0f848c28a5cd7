// JSON written as text while an answer is sent, for the answers with an
// item per row of a document (inlay hints, formatting edits, semantic
// tokens): as nlohmann::json objects, the items of a 400,000-row text would
// cost hundreds of bytes each, and even as text such an answer is many
// times the document. So the answer is a writer, run once to count its
// bytes (the message's length goes first) and once to send them in pieces.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "lsp/encoding.h"

namespace lsp {

using JsonPieces = std::function<void(std::string_view)>;
// Writes one JSON value to `out`, the same each time it is run.
using JsonWriter = std::function<void(const JsonPieces& out)>;

// The whole text a writer writes.
std::string json_text(const JsonWriter& w);

// {"line":L,"character":C}
void append_position(std::string& out, Position p);
// {"start":...,"end":...} of the bytes from `from` to `to`.
void append_range(std::string& out, const LineIndex& index, std::size_t from, std::size_t to);
// A UTF-8 text as a JSON string; a byte that is no UTF-8 becomes U+FFFD.
void append_string(std::string& out, std::string_view utf8);
// The separator before the next item of a list that began with '['.
inline void next_item(std::string& list) {
  if (list.back() != '[') list += ',';
}

}  // namespace lsp
