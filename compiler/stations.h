// Station rows: one route entry per station (from entry 1 upward), its
// stretch along the line, its stop cell and approach marks, and the spacing
// and table limits that keep stations apart and clear of the text boards.
#pragma once

#include <cstddef>
#include <cstdint>

#include "compiler/row_loop.h"
#include "model/model.h"
#include "rows/row_list.h"

namespace scenario {

// Records row `row` of `rows`, a "stazione" row, as station `index`, which
// advances on success. `watch` places the row for diagnostics. Values that
// do not fit their kind throw ReadFailure, as a failure of the row's values
// does when the recording reaches it.
RowOutcome record_station(Modello& m, const RowList& rows, std::size_t row, std::int32_t& index,
                          std::int32_t board_pointer, RowWatch& watch);

}  // namespace scenario
