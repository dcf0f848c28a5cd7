// memorizza_dati: reads the line description and then the train description
// into the model, discarding each text once read. Scenario problems are
// recorded in numero_errore / posizione_errore and, with their places, in
// m.diagnostics; any failure while reading (a record cut off by the end of
// the text, a value that does not fit, a limit of the model) records error
// 25 after discarding the description texts that still exist. Only a failure
// of that discarding itself escapes.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "compiler/description_text.h"
#include "model/model.h"
#include "rows/row_list.h"
#include "text/field_reader.h"

namespace scenario {

// The rows of both texts, each walked once: rows handed in (read from the
// same bytes already) are taken instead of walking a text again, and the
// rows the readers acted on are handed back (null for a text never read).
struct TextRows {
  std::shared_ptr<const RowList> linea, treno;
};

void memorizza_dati(Modello& m, const DescriptionTexts& testi, TextRows& rows);
void memorizza_dati(Modello& m, const DescriptionTexts& testi);

// The two halves, for memorizza_dati. read_line returns false when the
// reading ended there (the train description is then neither read nor
// deleted); `puntatore_cartelli` is the route entry the next text board
// would take, the stations' upper limit. `rows` as for memorizza_dati.
bool read_line(Modello& m, DescriptionText& testo, std::int32_t& puntatore_cartelli,
               std::shared_ptr<const RowList>& rows);
// read_line on the text's bytes. `done_with_text` runs where read_line
// discards the description: when the reading is abandoned, before its error
// number is recorded, and before the finishing. A failure it throws stops
// the reading there, as a failed deletion does.
bool read_line_text(Modello& m, std::string_view text, std::int32_t& board_pointer,
                    const std::function<void()>& done_with_text);
void read_train(Modello& m, DescriptionText& testo, std::int32_t puntatore_cartelli,
                std::shared_ptr<const RowList>& rows);

// The rows of the text just read: `given` when read from these bytes, else
// walked now.
std::shared_ptr<const RowList> rows_of(std::string bytes, Text which, bool curves,
                                       std::shared_ptr<const RowList> given);

// A row's position p is too near the end when (p + margine) / 50, taken
// exactly, lies beyond the last cell: margine is 100 for every positional
// row, 800 for a station. The sum itself is 32-bit: a position so near the
// top of the range that it overflows is a reading failure of the row at
// `record`, not error 15.
inline bool oltre_le_celle(const Modello& m, std::int32_t p, std::size_t record,
                           std::int32_t margine = 100) {
  const std::int64_t fine = std::int64_t{p} + margine;
  if (fine > std::numeric_limits<std::int32_t>::max())
    throw ReadFailure(record, "position " + std::to_string(p) + " + " + std::to_string(margine) +
                                 " does not fit 32 bits");
  return fine > std::int64_t{m.ultima_cella} * 50;
}

}  // namespace scenario
