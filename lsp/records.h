// What the rows of the two description texts are, for the editor: every
// record with its fields and their meanings, and a scan that finds the rows
// of a text as the compiler's readers walk it (the same fields, the same
// comment skipping, the same keyword tests). Unlike the readers the scan
// never stops at a malformed value: the editor still wants the rows after
// it. The compiler alone decides what is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/diagnostics.h"

namespace lsp {

using scenario::Text;

// How a row lands on the track.
enum class Placement : std::uint8_t {
  none,          // values for the route table or the simulator only
  point,         // one cell, nearest(p / 50 + 1): signals, speed and text boards
  abbattimento,  // one cell, nearest(p / 50)
  slowdown,      // warning, start and end cells and approach marks
  station,       // stop cell and approach marks, from its route entry
  step,          // from cell nearest(p / 50) on: gradient, speed, adhesion
  span,          // from the first value to the second: mountain
  curve,         // start and length: the line plan only
};

enum class RecordId : std::uint8_t {
  lunghezza, progressiva_tre, progressiva_due, progressiva_uno, sfondo_uno, sfondo_due,
  sfondo_tre, ripetizione, pendenza, curva, montagna, indicatori, cartello,
  frenata, vetture, velocita, aderenza, orologio, sabbia, segnale, rallentamento,
  abbattimento, stazione,
};

struct FieldInfo {
  std::string_view name;
  std::string_view meaning;
  bool text = false;  // a text field; the others are numbers
};

struct RecordInfo {
  RecordId id;
  std::string_view keyword;  // as `scenarioc texts` writes it
  std::string_view title;    // in plain words: "signal"
  std::string_view meaning;
  Text text;
  bool general;  // a record of the line description's general section
  Placement placement;
  std::span<const FieldInfo> fields;
};

// Every record of both texts, in the order the readers test them.
std::span<const RecordInfo> records();

struct Field {
  std::size_t offset = 0;  // after leading blanks
  std::size_t length = 0;  // without trailing blanks; a quoted text with its quotes
  std::string_view text;   // a quoted text without its quotes
  std::optional<std::int32_t> number;  // a number field that reads as one
};

struct Row {
  const RecordInfo* record = nullptr;
  Field keyword;
  std::vector<Field> values;  // fewer than the record's fields where the text ended
  std::size_t end = 0;        // just after the last field's bytes
};

struct Outline {
  std::vector<Field> headers;  // "[generale]", "[curve]", ... where a keyword stands
  std::vector<Row> rows;       // in text order
  // Line description: where its body begins (after the header that closed
  // the general section); the end of the text when there is no body.
  std::size_t body_start = 0;
};

Outline outline(std::string_view text, Text which);

// The row whose bytes (keyword to last value) hold `offset`, or nullptr.
const Row* row_at(const Outline& o, std::size_t offset);

// The value index of the field that holds `offset`, or -1 on the keyword.
int field_at(const Row& row, std::size_t offset);

}  // namespace lsp
