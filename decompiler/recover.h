// The rows of the two description texts read back from a compiled model:
// each feature from the cells, entries and plan points it leaves, in
// position order. What the compiler derives is left out.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/plan.h"

namespace scenario {

struct CompiledModel {
  std::array<voce_percorso, voce::numero> route{};
  std::vector<cella> cells;
  const Tracciato* plan = nullptr;  // no line file, no curves
};

// An "abbattimento" row: cell nearest(posizione / 50).
struct Abbattimento {
  std::int32_t position = 0;
  std::int32_t value = 0;
};

std::string recover_line(const CompiledModel& c);
// `points` are the "abbattimento" rows the author wrote, as far as they can
// be told from the points the post-processing places.
std::string recover_train(const CompiledModel& c, std::span<const Abbattimento> points);

// The route entries that hold text boards: 80 down to the returned index
// (81 when there are none).
int lowest_board_entry(const CompiledModel& c);

}  // namespace scenario
