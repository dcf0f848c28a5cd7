// The live preview: the picture `scenarioc render` draws of a scenario,
// drawn from the texts as the editor holds them. The unit is compiled again
// with its line plan (the kept units drop it), in memory; nothing is
// written.
#pragma once

#include <optional>
#include <string>

#include "lsp/workspace.h"

namespace lsp {

struct Preview {
  std::string svg;    // empty when there is nothing to draw
  std::string why;    // then: what stands in the way, for the author
};

// `from` and `to` in metres; a missing one is the line's start or end.
Preview preview(const Unit& u, std::optional<double> from, std::optional<double> to);

}  // namespace lsp
