#include "lsp/preview.h"

#include <algorithm>

#include "compiler/compile.h"
#include "render/line.h"

namespace lsp {

using namespace scenario;

Preview preview(const Unit& u, std::optional<double> from, std::optional<double> to) {
  TextInMemory linea(in_memory(u.line_bytes), u.line_path), treno(in_memory(u.train_bytes), u.train_path);
  CompileResult r =
      compile({linea, treno}, {.names = {u.model.nome_scenario, u.model.numero_treno},
                               .line_rows = u.line_rows,
                               .train_rows = u.train_rows});
  switch (r.status.ending) {
    case CompileStatus::Ending::done:
    case CompileStatus::Ending::scenario_error:
      break;
    case CompileStatus::Ending::fatal:
      return {{}, "the compilation failed with error " + std::to_string(r.status.error) +
                      ": no compiled files to draw"};
    case CompileStatus::Ending::no_cells:
      return {{}, "the compilation stopped with error " + std::to_string(r.status.error) +
                      " before there were track cells to draw"};
    case CompileStatus::Ending::unreadable:
      return {{}, "the compilation failed: " + r.status.message};
  }
  Modello& m = r.model;
  render::CompiledScenario l{m.tabella_percorso, std::move(m.celle), std::move(m.tracciato)};
  if (const std::optional<std::string> why = render::mismatch(l)) return {{}, *why};
  const double end = render::axis_end(l);
  const double a = std::clamp(from.value_or(0.0), 0.0, end);
  const double b = std::clamp(to.value_or(end), 0.0, end);
  if (!(a < b)) return {{}, "the stretch to draw is empty"};
  return {render::draw_scenario(l, a, b), {}};
}

}  // namespace lsp
