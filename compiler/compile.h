// The compilation up to the compiled files: reset the route table, read both
// descriptions, post-process the cells, stamp the header slots. Writes
// nothing; the caller writes the compiled files afterwards, when the status
// allows.
//
// One entry, one value back: the model and how the compilation ended, the
// way a storage library returns a status. Scenario errors are the formats'
// own state and stay in the model as well (numero_errore, posizione_errore).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "compiler/description_text.h"
#include "model/file_names.h"
#include "model/model.h"
#include "rows/row_list.h"

namespace scenario {

struct CompileStatus {
  enum class Ending {
    done,            // no error recorded
    scenario_error,  // `error` recorded (at `position`); the files are still written
    fatal,           // 1250 or 1251: a header slot was already set; nothing may be written
    no_cells,        // the line description gave no track cells: nothing to write
    unreadable,      // a description text could not be read or discarded: `message` says why
  };
  Ending ending = Ending::done;
  // scenario_error: numero_errore; fatal: 1250 or 1251; no_cells: the
  // numero_errore that stopped the line reading (0 when none did).
  std::int32_t error = 0;
  std::int32_t position = 0;  // scenario_error: posizione_errore
  // no_cells and unreadable: one sentence for the user. scenario_error 25:
  // what stopped the reading.
  std::string message;

  bool ok() const { return ending == Ending::done; }
  // The compilation reached its end: the compiled files may be written.
  bool has_files() const { return ending == Ending::done || ending == Ending::scenario_error; }
};

struct CompileOptions {
  // The scenario name and train number as the compiled files hold them.
  FileNames names;
  // Curves are records of the line description (the `j` of
  // memorizza_percorso); without them there is no compiled line file.
  bool read_curves = true;
  // Compute the plan's points as well: what the compiled line file and a
  // drawing need, and nothing else. Without it curves are read and checked
  // all the same, and every diagnostic and the other two files are as with it.
  bool build_plan = true;
  // Told as the plan's file image grows (a writer that begins the compiled
  // line file while the plan is computed). compile() returns, or throws,
  // only once the observer has let go of the plan: it never reads the
  // model afterwards.
  Tracciato::Observer* plan_observer = nullptr;
  // Diagnostics of one code kept per text (0: every one).
  std::size_t diagnostic_limit = default_diagnostic_limit;
  // Where diagnostics go once more than a batch of them are held (see
  // settle_batch in compiler/diagnose.h); none: all are kept in the model.
  DiagnosticOutlet* outlet = nullptr;
  // Rows already read from these very texts (an editor's, read once per
  // change): taken instead of walking a text again when they were read
  // from the same bytes with the same curves setting, else ignored.
  std::shared_ptr<const RowList> line_rows = nullptr, train_rows = nullptr;
};

struct CompileResult {
  Modello model;
  CompileStatus status;
  // The rows the readers acted on, each holding its text (or the rows
  // handed in); null for a text never read.
  std::shared_ptr<const RowList> line_rows = nullptr, train_rows = nullptr;
};

// Throws only what no scenario can cause: a fault of the compiler itself
// (std::logic_error) or memory exhausted outside the readers.
CompileResult compile(const DescriptionTexts& texts, const CompileOptions& options);

void clear_route_table(Modello& m);

}  // namespace scenario
