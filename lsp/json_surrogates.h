// JavaScript strings may hold half of a UTF-16 surrogate pair, and clients
// written in it send one as a "\ud800" escape, which is no character and
// which the JSON parser refuses. Such an escape is read as U+FFFD, the
// replacement character, so that the message (a whole document) is not lost.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lsp {

// `json` with each "\uXXXX" escape of a lone surrogate replaced by
// "\ufffd", the same length; nothing when there is none, so the message is
// copied only then. Escapes are found as the parser finds them, by a flat
// scan: a backslash escapes the character after it.
std::optional<std::string> lone_surrogates_replaced(std::string_view json);

}  // namespace lsp
