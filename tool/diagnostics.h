// The messages scenarioc gives authors about a compilation: the recorded
// error placed in the description text it came from (file, line, the line
// itself and a caret), what already holds a contested track cell, and the
// fatal header clashes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/model.h"

namespace scenarioc {

struct Sorgente {
  std::string percorso;              // as messages name it
  std::optional<std::string> testo;  // the bytes compiled; none when missing
};

struct Sorgenti {
  Sorgente linea;
  Sorgente treno;
};

// "FILE:LINE: error N: explanation (position P m)", the offending line and a
// caret, then notes; empty when no error is recorded.
std::string diagnosi_errore(const scenario::Modello& m, const Sorgenti& s);

// For FatalError: the clash and what holds track cell 1.
std::string diagnosi_fatale(const scenario::Modello& m, std::int32_t numero);

// What a track cell holds, in words: "a signal", "the stop cell of station
// VALDORA", "the text board "...""; "nothing" for an empty cell.
std::string contenuto_cella(const scenario::Modello& m, std::size_t c);

}  // namespace scenarioc
