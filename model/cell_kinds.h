// The cell kinds in words: one table for dumps, pictures, hover texts and
// messages.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/model.h"

namespace scenario {

struct CellKindNames {
  std::uint8_t kind;         // tipo_cella
  std::string_view name;     // on its own: "slowdown end"
  std::string_view in_text;  // inside a sentence: "the end of a slowdown"
};

inline constexpr std::array<CellKindNames, 12> cell_kind_names{{
    {tipo::vuota, "empty", "nothing"},
    {tipo::segnale, "signal", "a signal"},
    {tipo::fine_rallentamento, "slowdown end", "the end of a slowdown"},
    {tipo::inizio_rallentamento, "slowdown start", "the start of a slowdown"},
    {tipo::avviso_rallentamento, "slowdown warning board", "the warning board of a slowdown"},
    {tipo::preavviso_rallentamento, "slowdown approach mark", "an approach mark of a slowdown"},
    {tipo::indicatore_v_max, "speed board", "a speed board"},
    {tipo::fermata, "station stop", "the stop cell of a station"},
    {tipo::marcatore_montagna, "mountain marker", "a mountain marker"},
    {tipo::abbattimento_con_valore, "abbattimento point with value", "an abbattimento point with a value"},
    {tipo::abbattimento, "abbattimento point", "an abbattimento point"},
    {tipo::cartello, "text board", "a text board"},
}};

// The names of a kind; nullptr for a code the compiler never writes.
constexpr const CellKindNames* cell_kind(std::uint8_t kind) {
  for (const CellKindNames& k : cell_kind_names)
    if (k.kind == kind) return &k;
  return nullptr;
}

// The kind on its own, "unknown" for a code the compiler never writes.
constexpr std::string_view cell_kind_name(std::uint8_t kind) {
  const CellKindNames* k = cell_kind(kind);
  return k != nullptr ? k->name : "unknown";
}

}  // namespace scenario
