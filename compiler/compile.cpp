#include "compiler/compile.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "compiler/competition_codes.h"
#include "compiler/diagnose.h"
#include "compiler/plausibility.h"
#include "compiler/post_processing.h"
#include "compiler/reader.h"
#include "compiler/value_checks.h"
#include "model/errors.h"

namespace scenario {
namespace {

// Where the compilation ended early, or how its recorded error reads.
CompileStatus status_of(const Modello& m) {
  CompileStatus s;
  if (m.numero_errore == 0) return s;
  s.ending = CompileStatus::Ending::scenario_error;
  s.error = m.numero_errore;
  s.position = m.posizione_errore;
  if (m.numero_errore == numero(ScenarioError::unreadable)) s.message = m.read_failure;
  return s;
}

CompileStatus stopped(CompileStatus::Ending ending, std::int32_t error, std::string message) {
  CompileStatus s;
  s.ending = ending;
  s.error = error;
  s.message = std::move(message);
  return s;
}

// The stages in their order; FatalError and a failure of a text escape.
// `rows` as memorizza_dati takes and gives them.
CompileStatus run_stages(Modello& m, const DescriptionTexts& texts, TextRows& rows) {
  clear_route_table(m);
  memorizza_dati(m, texts, rows);
  explain_before_the_start(m);
  // Only a scenario without an error: past one, the rows after it were
  // never read, and what an error left behind is no scenario to judge.
  if (m.numero_errore == 0 && !m.celle.empty() && rows.linea && rows.treno)
    check_plausibility(m, *rows.linea, *rows.treno);
  if (m.celle.empty())
    return stopped(CompileStatus::Ending::no_cells, m.numero_errore,
                   "the line description left no track cells to compile (error " +
                       std::to_string(m.numero_errore) + ": " +
                       std::string(explain_error(m.numero_errore)) + ")");
  m.ultima_cella = static_cast<std::int32_t>(m.celle.size()) - 1;
  post_process(m);
  stamp_headers(m);
  return status_of(m);
}

// Takes the observer off the plan however the compilation ends, which
// releases it: compile() does not return while it may read the model. An
// exception takes the model, plan and all: what the observer was told of
// the plan is dropped first.
class Observed {
 public:
  Observed(Tracciato& t, Tracciato::Observer* o) : t_(t), o_(o) { t_.observe(o); }
  ~Observed() {
    if (o_ != nullptr && std::uncaught_exceptions() > unwinding_) o_->plan_dropped();
    t_.observe(nullptr);
  }
  Observed(const Observed&) = delete;
  Observed& operator=(const Observed&) = delete;

 private:
  Tracciato& t_;
  Tracciato::Observer* const o_;
  const int unwinding_ = std::uncaught_exceptions();
};

}  // namespace

void clear_route_table(Modello& m) { m.tabella_percorso.fill(voce_percorso{}); }

CompileResult compile(const DescriptionTexts& texts, const CompileOptions& options) {
  CompileResult r;
  Modello& m = r.model;
  m.nome_scenario = options.names.nome_scenario;
  m.numero_treno = options.names.numero_treno;
  m.scrivi_linea = options.read_curves ? 1 : 0;
  m.plan_wanted = options.build_plan;
  m.numero_errore = 0;
  m.diagnostic_limit.per_code = options.diagnostic_limit;
  m.outlet = options.outlet;
  TextRows rows{options.line_rows, options.train_rows};
  {
    const Observed observed(m.tracciato, options.plan_observer);
    try {
      r.status = run_stages(m, texts, rows);
    } catch (const FatalError& e) {
      r.status = stopped(CompileStatus::Ending::fatal, e.numero(), {});
    } catch (const std::runtime_error& e) {
      // The readers record every failure of reading as error 25; only a
      // text that could not be discarded afterwards comes this far.
      r.status = stopped(CompileStatus::Ending::unreadable, m.numero_errore, e.what());
    } catch (...) {
      finish_diagnostics(m);
      throw;
    }
  }
  finish_diagnostics(m);
  // The rows however the compilation ended: those it acted on.
  r.line_rows = std::move(rows.linea);
  r.train_rows = std::move(rows.treno);
  return r;
}

}  // namespace scenario
