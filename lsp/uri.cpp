#include "lsp/uri.h"

namespace lsp {
namespace {

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unreserved(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::optional<std::string> path_of(std::string_view uri) {
  constexpr std::string_view scheme = "file://";
  if (uri.size() < scheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    const char c = uri[i] >= 'A' && uri[i] <= 'Z' ? static_cast<char>(uri[i] - 'A' + 'a') : uri[i];
    if (c != scheme[i]) return std::nullopt;
  }
  uri.remove_prefix(scheme.size());
  // Query and fragment name no part of a file.
  uri = uri.substr(0, uri.find_first_of("?#"));

  std::string decoded;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      decoded += uri[i];
      continue;
    }
    if (i + 2 >= uri.size() || hex(uri[i + 1]) < 0 || hex(uri[i + 2]) < 0) return std::nullopt;
    decoded += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
    i += 2;
  }
  if (decoded.find('\0') != std::string::npos) return std::nullopt;

  std::string_view rest = decoded;
  const std::size_t slash = rest.find('/');
  const std::string_view authority = rest.substr(0, slash);
  std::string path(slash == std::string_view::npos ? std::string_view() : rest.substr(slash));
  if (!authority.empty() && authority != "localhost") path = "//" + std::string(authority) + path;
  // "/c:/x" is the drive path "c:/x".
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (path.size() >= 3 && path[0] == '/' && letter(path[1]) && path[2] == ':')
    path.erase(0, 1);
  if (path.empty()) return std::nullopt;
  return path;
}

std::string sibling_uri(std::string_view sibling, std::string_view name) {
  std::string uri(sibling.substr(0, sibling.rfind('/') + 1));
  static constexpr char digits[] = "0123456789ABCDEF";
  for (char ch : name) {
    if (unreserved(ch)) {
      uri += ch;
    } else {
      const auto c = static_cast<unsigned char>(ch);
      uri += '%';
      uri += digits[c >> 4];
      uri += digits[c & 0xF];
    }
  }
  return uri;
}

std::string_view file_name(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !is_separator(path[i - 1])) --i;
  return path.substr(i);
}

std::string_view folder(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !is_separator(path[i - 1])) --i;
  if (i > 1) --i;  // the root keeps its separator
  return path.substr(0, i);
}

}  // namespace lsp
