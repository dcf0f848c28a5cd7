// JSON written as text while an answer is made, for the answers with an
// item per row of a document (inlay hints, formatting edits, semantic
// tokens): as nlohmann::json objects, the items of a 400,000-row text would
// cost hundreds of bytes each before a byte of them was sent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lsp/encoding.h"

namespace lsp {

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
