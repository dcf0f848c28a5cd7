// Which description row wrote what. The readers note the row behind every
// part of a track cell and every route entry they write, and what feature a
// cell held before; the diagnostics name those rows ("track cell 34 already
// holds the signal written here"). Nothing compiled depends on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/diagnostics.h"

namespace scenario {

// A row of a description text in 32 bits: the byte offset of its keyword
// plus one, the top bit set for the train description; 0 for none (written
// by no row, or at an offset too large to keep).
class RowRef {
 public:
  RowRef() = default;
  RowRef(Text text, std::size_t offset) {
    if (text == Text::none || offset >= treno_bit - 1) return;
    bits_ = static_cast<std::uint32_t>(offset + 1) | (text == Text::treno ? treno_bit : 0u);
  }
  bool known() const { return bits_ != 0; }
  Text text() const {
    if (bits_ == 0) return Text::none;
    return (bits_ & treno_bit) != 0 ? Text::treno : Text::linea;
  }
  std::size_t offset() const {
    return bits_ == 0 ? TextSpan::npos : static_cast<std::size_t>((bits_ & ~treno_bit) - 1);
  }
  TextSpan span() const { return {text(), offset(), 0}; }
  bool operator==(const RowRef&) const = default;

 private:
  static constexpr std::uint32_t treno_bit = 0x80000000u;
  std::uint32_t bits_ = 0;
};

struct CellOrigin {
  RowRef feature;   // tipo_cella, valore_a to valore_d, tempo_segnale
  RowRef replaced;  // the row whose feature `feature` was written over
  RowRef mark;      // preavviso
  RowRef gradient;  // codice_pendenza
  RowRef mountain;  // codice_montagna
  RowRef speed;     // vel_limite
  RowRef adhesion;  // aderenza
  std::uint8_t replaced_kind = 0;  // tipo_cella before `feature` was written
};

struct Origins {
  static constexpr std::size_t entry_count = 87;  // the route table's entries
  std::vector<CellOrigin> cells;  // one per track cell once the cells exist
  std::array<RowRef, entry_count> entries{};  // the last row that wrote each route entry

  // The origin of cell c; nullptr outside the cells (or where a model was
  // built by hand without origins).
  CellOrigin* cell(std::int64_t c) {
    return c >= 0 && static_cast<std::size_t>(c) < cells.size() ? &cells[static_cast<std::size_t>(c)]
                                                                  : nullptr;
  }
  const CellOrigin* cell(std::int64_t c) const {
    return c >= 0 && static_cast<std::size_t>(c) < cells.size() ? &cells[static_cast<std::size_t>(c)]
                                                                  : nullptr;
  }
};

}  // namespace scenario
