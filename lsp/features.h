// What the editor shows beside the text: hover, inlay hints, the outline and
// keyword completion, each built from a document's rows and the cells its
// unit compiled to. Results are the protocol's JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/json_text.h"

#include "lsp/encoding.h"
#include "lsp/workspace.h"

namespace lsp {

nlohmann::json position_json(Position p);
// The protocol's range of bytes [from, to) of an indexed text.
nlohmann::json range_json(const LineIndex& index, std::size_t from, std::size_t to);

// A Markdown hover for the row under `offset`, or null.
nlohmann::json hover(const Document& d, const Unit* u, std::size_t offset);

// One hint at the end of each row that lands on the track, for the rows
// that begin within [from, to), as a writer of the JSON list; it reads `d`
// and `u`, which must outlive it.
JsonWriter inlay_hints(const Document& d, const Unit* u, std::size_t from, std::size_t to);

// Sections holding the stations, signals, slowdowns and boards.
nlohmann::json document_symbols(const Document& d, const Unit* u);

// The records that may stand at `offset`, with their fields as a snippet
// when the editor takes snippets.
nlohmann::json completion(const Document& d, std::size_t offset, bool snippets);

// The field at `offset` as far as it goes (to the next comma or line end; a
// number also to a blank): where a diagnostic with a place but no length
// underlines.
std::size_t field_length(std::string_view text, std::size_t offset);

// "10.05 km": metres along the line in kilometres, two decimals or three
// when the metres need them.
std::string km(std::int64_t metres);

}  // namespace lsp
