// The line description reader alone, on the input as the line text, read
// from memory: once without the line plan and once with it (j = 1), as the
// compile sequence runs it. A ReadFailure is the expected end of a bad text
// (memorizza_dati records it as error 25); anything else escaping, a
// sanitizer report or a model left inconsistent is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "text/field_reader.h"
#include "model/model.h"
#include "compiler/reader.h"

namespace {

using namespace scenario;

void richiedi(bool condizione, const char* cosa) {
  if (condizione) return;
  std::fprintf(stderr, "line reader: %s\n", cosa);
  std::abort();
}

void leggi(std::string_view testo, std::int32_t j) {
  Modello m;
  m.scrivi_linea = j;
  std::int32_t puntatore_cartelli = voce::primo_cartello;
  int letture = 0;
  bool finito;
  try {
    finito = read_line_text(m, testo, puntatore_cartelli, [&] { ++letture; });
  } catch (const ReadFailure& e) {
    richiedi(e.offset() == TextSpan::npos || e.offset() <= testo.size(),
             "a failure offset past the text");
    return;
  }
  // The description is let go exactly once on every way out.
  richiedi(letture == 1, "the description was not let go exactly once");
  if (!m.celle.empty())
    richiedi(m.celle.size() == static_cast<std::size_t>(m.ultima_cella) + 1,
             "the cells do not end at ultima_cella");
  if (!finito) return;
  richiedi(!m.celle.empty(), "a finished line without cells");
  richiedi(puntatore_cartelli >= 0 && puntatore_cartelli <= voce::primo_cartello,
           "the text board pointer left its range");
  richiedi(m.num_montagne >= 0 && m.num_montagne <= max_montagne, "mountain count out of range");
  if (j != 0)
    richiedi(m.tracciato.punti() == static_cast<std::size_t>(m.lunghezza_totale) + 1,
             "the plan does not end at the line's end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view testo(reinterpret_cast<const char*>(data), size);
  leggi(testo, 0);
  leggi(testo, 1);
  return 0;
}
