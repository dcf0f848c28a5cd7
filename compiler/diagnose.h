// The compiler's side of the diagnostics (model/diagnostics.h): recording
// the scenario error with its place and notes, warnings, and what a track
// cell holds and which row put it there.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "model/errors.h"
#include "model/model.h"

namespace scenario {

// Records error `e`, found at `at`, as the model's error state (with
// `posizione` where the number has a position) and as its diagnostic. A
// later error replaces an earlier one, as the error state has always done;
// the new diagnostic names the replaced one in a note.
Diagnostic& record_error(Modello& m, ScenarioError e, TextSpan at);
Diagnostic& record_error(Modello& m, ScenarioError e, TextSpan at, std::int32_t posizione);

// What a recording step says when it refuses a feature: the error and the
// track cell that was already taken. The steps return
// std::optional<Refusal>, empty when the feature went into the cells, and
// leave the error state to their caller.
struct Refusal {
  ScenarioError error;
  std::int64_t cell;
};

// Records a refusal of the row at `at`, whose position is `posizione`: the
// error, and a note on what holds the cell and which row wrote it.
Diagnostic& record_refusal(Modello& m, const Refusal& r, TextSpan at, std::int32_t posizione);

// The recorded error's diagnostic; nullptr when none is recorded.
Diagnostic* recorded_error(Modello& m);

Diagnostic& warn(Modello& m, std::string_view code, TextSpan at, std::string message);

// With an outlet (m.outlet), a compilation holds at most this many
// diagnostics: before the next one is recorded, every warning held goes to
// the outlet and leaves the model, and only the recorded error stays (it may
// yet be replaced, and gets its remedy at the end). Below the batch nothing
// changes; past it, a warning already handed on is no longer refined by the
// checks that run after the reading (a separator named, an 'out-of-order'
// dropped for the 'misplaced-position' that explains it).
inline constexpr std::size_t settle_batch = 4096;

// "track cell 13 (600 to 650 m)": cell c stands for the 50 m that end at c × 50 m.
std::string cell_name(std::int64_t c);

// What a track cell holds, in words: "a signal", "the stop cell of station
// VALDORA", "the text board "..."", "nothing".
std::string what_holds(const Modello& m, std::size_t c);
std::string kind_name(std::uint8_t tipo_cella);

// A note saying what cell c holds, placed at the row that wrote it:
// "track cell 13 (600 to 650 m) already holds the stop cell of station
// VALDORA" (`lead` replaces "already holds"). Nothing for a cell outside.
void note_cell(const Modello& m, Diagnostic& d, std::int64_t c,
               std::string_view lead = "already holds");

// A scenario text as messages show it: printable ASCII kept, other bytes as
// \xNN, so a stray control byte cannot garble a terminal.
std::string printable(std::string_view s);

// Row `riga` is about to write the feature of cell c: notes it as the
// cell's writer, and what the cell held as what it replaces.
void note_feature(Modello& m, std::int64_t c, RowRef riga);

// Row `riga` is about to write the approach mark of each cell of `cells`
// (preavviso): notes it as their writer, and warns once when it writes over
// marks another row put there.
void note_marks(Modello& m, RowRef riga, std::span<const std::int64_t> cells);

// Removes the diagnostics `drop` selects, keeping the recorded error's index
// (m.error_diagnostic) on the same diagnostic; never erase from
// m.diagnostics any other way.
void drop_diagnostics(Modello& m, const std::function<bool(const Diagnostic&)>& drop);

// Once the compilation is over: the recorded error gets its remedy as the
// last note, and replaced errors leave the list.
void finish_diagnostics(Modello& m);

}  // namespace scenario
