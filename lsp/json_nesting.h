// How deeply a JSON text nests, found by a flat scan of its bytes before it
// is parsed: the parsed value is copied and walked by recursive code, which
// a message nested a hundred thousand deep would run off the stack.
#pragma once

#include <cstddef>
#include <string_view>

namespace lsp {

// Far deeper than any message of the protocol (an initialize request nests
// about ten levels), far shallower than what exhausts a thread's stack.
inline constexpr std::size_t max_json_nesting = 256;

// Whether `json` opens more than `limit` arrays and objects inside one
// another. Brackets inside strings do not count; malformed JSON is scanned
// all the same, and left to the parser to refuse.
bool nests_deeper_than(std::string_view json, std::size_t limit);

}  // namespace lsp
