// What the line description's records do to the model: the plan bent by
// curves, gradient bytes, mountain spans, speed and text boards, and the
// ordering of the kilometric progressives.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "compiler/diagnose.h"
#include "model/model.h"

namespace scenario {

// Working values of the line reader, kept across the whole body.
struct LineState {
  std::int32_t cursore_pendenza = 0;   // first cell whose gradient byte is not yet written
  std::int32_t pendenza_corrente = 0;  // gradient in force at the cursor
  std::int32_t cursore_piano = 2;      // next plan point to compute
  std::int32_t puntatore_cartelli = voce::primo_cartello;
  RowRef riga_pendenza;  // the row of the gradient in force, for the cells' origins
};

inline constexpr std::int32_t ultimo_punto_curve = 1000000;

// Curvature (change of heading per metre) of a curve keyword: its first
// class digit 1..6, negative for a left-hand curve (an "s" anywhere).
// Returns 0 when the keyword has no class digit.
double curvatura(std::string_view parola_chiave);

// Points 0 and 1 of the plan: the line starts at (0, 0) heading along the
// second coordinate. The three below leave a plan that was not made as it
// is, and move the plan cursor all the same.
void seed_plan(Tracciato& t);

// Lays a curve of curvature k from `inizio` over `lunghezza` metres. Returns
// false when the plan cursor passed point 1,000,000 (error 103). Throws
// ReadFailure (at `offset`) when the curve runs past the plan.
bool lay_curve(Modello& m, LineState& st, std::int64_t inizio, std::int64_t lunghezza,
                double k, std::size_t offset);
// Straight steps up to point lunghezza_totale - 2.
void complete_plan(Modello& m, LineState& st);
// Tells the plan, once seeded, what complete_plan() will leave of it: the
// two seed points, reals to point lunghezza_totale - 2, the rest empty. A
// curve that runs further, or a plan that ends early, makes it otherwise;
// a writer that went by it then writes coordinate 1 again.
void foresee_plan(Modello& m);

void record_gradient(Modello& m, LineState& st, std::int32_t posizione, std::int32_t pendenza,
                       RowRef riga);
// Both throw ReadFailure when the gradient cursor has been pushed past the
// last cell or the gradient + 100 leaves 32 bits: record_gradient at its
// row, complete_gradients at `offset` (the last gradient row).
// The last gradient into the cells up to ultima_cella - 3.
void complete_gradients(Modello& m, LineState& st, std::size_t offset);

// Throws ReadFailure (at the row) past 80 mountains or a span past the cells.
void memo_montagna(Modello& m, std::int32_t inizio, std::int32_t fine, std::int32_t tipo,
                   RowRef riga);

// Refuses a taken cell with error 21. Throws ReadFailure (at the row) when a
// code does not fit 16 bits.
std::optional<Refusal> memo_indicatori_v_max(Modello& m, std::int32_t posizione, std::int32_t vas,
                                             std::int32_t vbs, std::int32_t vcs,
                                             std::int32_t strisces, std::int32_t vad,
                                             std::int32_t vbd, std::int32_t vcd,
                                             std::int32_t strisced, RowRef riga);

// Refuses a taken cell with error 6. Throws ReadFailure (at the row) past 80
// text boards.
std::optional<Refusal> memo_cartello(Modello& m, LineState& st, std::int32_t posizione,
                                     std::string_view testo, RowRef riga);

// Throws ReadFailure (at a progressive's row) when the sum of the positions
// or a progressive + 100 leaves 32 bits.
void progressive_ordina(Modello& m);

// Cell of a point feature at `posizione`: nearest(posizione / 50 + 1).
std::int64_t cella_di(std::int32_t posizione);

}  // namespace scenario
