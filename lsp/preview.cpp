#include "lsp/preview.h"

#include <algorithm>
#include <exception>

#include "compiler/compile.h"
#include "model/errors.h"
#include "render/line.h"

namespace lsp {

using namespace scenario;

Preview preview(const Unit& u, std::optional<double> from, std::optional<double> to) {
  Modello m;
  m.nome_scenario = u.model.nome_scenario;
  m.numero_treno = u.model.numero_treno;
  TextInMemory linea(u.line_bytes, u.line_path), treno(u.train_bytes, u.train_path);
  try {
    compila(m, 1, {linea, treno});
  } catch (const FatalError& e) {
    return {{}, "the compilation failed with error " + std::to_string(e.numero()) +
                    ": no compiled files to draw"};
  } catch (const CompilationStopped& e) {
    return {{}, "the compilation stopped with error " + std::to_string(e.numero_errore()) +
                    " before there were track cells to draw"};
  } catch (const std::exception& e) {
    return {{}, std::string("the compilation failed: ") + e.what()};
  }
  scenarioc::CompiledScenario l{m.tabella_percorso, std::move(m.celle), std::move(m.tracciato)};
  if (const std::optional<std::string> why = scenarioc::mismatch(l)) return {{}, *why};
  const double end = scenarioc::axis_end(l);
  const double a = std::clamp(from.value_or(0.0), 0.0, end);
  const double b = std::clamp(to.value_or(end), 0.0, end);
  if (!(a < b)) return {{}, "the stretch to draw is empty"};
  return {scenarioc::draw_scenario(l, a, b), {}};
}

}  // namespace lsp
