// scenarioc render's picture of a compiled scenario: the plan of the line,
// the profiles along one kilometre axis and a title block, as one SVG
// document built in memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/plan.h"

namespace render {

struct CompiledScenario {
  std::array<scenario::voce_percorso, scenario::voce::numero> tabella_percorso;
  std::vector<scenario::cella> celle;
  scenario::Tracciato tracciato;
};

// The three files of one scenario read together must describe one route:
// the route length (entry 84 dato2) must be positive and give the cell
// file's and the compiled line file's sizes. Otherwise the text says why.
std::optional<std::string> mismatch(const CompiledScenario& l);

// The far end of the kilometre axis, in metres: the route length, or the
// last station or cell feature when one lies beyond it. Only for files that
// passed mismatch().
double axis_end(const CompiledScenario& l);

// The picture of metres `from` to `to` (0 <= from < to <= axis_end).
std::string draw_scenario(const CompiledScenario& l, double from, double to);

}  // namespace render
