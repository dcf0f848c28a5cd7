#include "lsp/json_text.h"

#include <nlohmann/json.hpp>

namespace lsp {

std::string json_text(const JsonWriter& w) {
  std::string out;
  w([&](std::string_view piece) { out += piece; });
  return out;
}

void append_position(std::string& out, Position p) {
  out += "{\"line\":";
  out += std::to_string(p.line);
  out += ",\"character\":";
  out += std::to_string(p.character);
  out += '}';
}

void append_range(std::string& out, const LineIndex& index, std::size_t from, std::size_t to) {
  out += "{\"start\":";
  append_position(out, index.position(from));
  out += ",\"end\":";
  append_position(out, index.position(to));
  out += '}';
}

void append_string(std::string& out, std::string_view utf8) {
  out += nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace lsp
