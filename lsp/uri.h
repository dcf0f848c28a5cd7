// file: URIs as editors send them, and the paths they name. Paths here are
// UTF-8 with '/' separators; the platform layer turns them into the form
// its file functions take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lsp {

// The path of a file: URI ("file:///home/a/x.txt" -> "/home/a/x.txt",
// "file:///c%3A/x.txt" -> "c:/x.txt", "file://server/share/x" ->
// "//server/share/x"); nothing for another scheme or a malformed escape.
std::optional<std::string> path_of(std::string_view uri);

// The URI of a file in the same folder as `sibling`, another file: URI,
// keeping the folder part exactly as the editor wrote it so that both name
// the folder the same way.
std::string sibling_uri(std::string_view sibling, std::string_view file_name);

// The last component of a path and the folder before it (without the
// separator).
std::string_view file_name(std::string_view path);
std::string_view folder(std::string_view path);

}  // namespace lsp
