// Which description row wrote what. The readers note the row behind every
// part of a track cell and every route entry they write, and what feature a
// cell held before; the diagnostics name those rows ("track cell 34 already
// holds the signal written here"). Nothing compiled depends on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
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
  RowRef mountain;  // codice_montagna
  // A point the compiler placed: the slowdown whose rules asked for it, and
  // the signal it stands before, if any.
  RowRef placed_for;
  RowRef guards;
  std::uint8_t replaced_kind = 0;  // tipo_cella before `feature` was written
};

// The rows behind a profile byte (gradient, speed limit, adhesion), kept as
// runs rather than per cell: the readers write a profile's cells in
// increasing order, each row's value from one cell on up to the next run.
class ProfileRuns {
 public:
  // Cells from `first` on carry row `row`'s value.
  void add(std::int64_t first, RowRef row) {
    if (!runs_.empty() && runs_.back().row == row) return;
    runs_.push_back({first, row});
  }
  struct Run {
    std::int64_t first;
    RowRef row;
  };
  const std::vector<Run>& runs() const { return runs_; }

  RowRef at(std::int64_t cell) const {
    RowRef found;
    for (std::size_t lo = 0, hi = runs_.size(); lo < hi;) {
      const std::size_t mid = (lo + hi) / 2;
      if (runs_[mid].first <= cell) {
        found = runs_[mid].row;
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return found;
  }

 private:
  std::vector<Run> runs_;
};

// Most track cells hold nothing a row wrote, and an editor keeps a compiled
// model per open train text: the origins of the cells a row touched are kept
// apart, each cell holding only the number of its own (0: none).
class CellOrigins {
 public:
  // n cells, none touched yet.
  void reset(std::size_t n) {
    slots_.assign(n, 0);
    touched_.clear();
  }
  std::size_t size() const { return slots_.size(); }
  // The cell's origin, made on first use so that it can be written; nullptr
  // outside the cells. Pointers stay valid while the cells are not reset.
  CellOrigin* at(std::size_t c) {
    if (c >= slots_.size()) return nullptr;
    if (slots_[c] == 0) {
      touched_.emplace_back();
      slots_[c] = static_cast<std::uint32_t>(touched_.size());
    }
    return &touched_[slots_[c] - 1];
  }
  // The cell's origin (an empty one for a cell no row touched); nullptr
  // outside the cells.
  const CellOrigin* at(std::size_t c) const {
    static const CellOrigin untouched{};
    if (c >= slots_.size()) return nullptr;
    return slots_[c] == 0 ? &untouched : &touched_[slots_[c] - 1];
  }

 private:
  std::vector<std::uint32_t> slots_;
  std::deque<CellOrigin> touched_;  // a deque: adding one moves none
};

struct Origins {
  static constexpr std::size_t entry_count = 87;  // the route table's entries
  CellOrigins cells;  // one per track cell once the cells exist
  ProfileRuns gradient, speed, adhesion;  // codice_pendenza, vel_limite, aderenza
  std::array<RowRef, entry_count> entries{};  // the last row that wrote each route entry

  // The origin of cell c; nullptr outside the cells (or where a model was
  // built by hand without origins).
  CellOrigin* cell(std::int64_t c) { return c >= 0 ? cells.at(static_cast<std::size_t>(c)) : nullptr; }
  const CellOrigin* cell(std::int64_t c) const {
    return c >= 0 ? cells.at(static_cast<std::size_t>(c)) : nullptr;
  }
};

}  // namespace scenario
