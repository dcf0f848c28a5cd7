// The compiled scenario model: one plain object that every reader, the
// post-processing, the stamps and the file writers work on. The compiled
// files are byte images of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/diagnostic_limit.h"
#include "model/diagnostics.h"
#include "model/origins.h"
#include "model/plan.h"

namespace scenario {

// One route entry. Stations use the fields as a station record; entries 80
// downward hold text boards; 81 to 86 are fixed header entries.
struct voce_percorso {
  std::uint8_t tipo_voce = 0;
  std::int32_t dato1 = 0;
  std::int32_t dato2 = 0;
  std::int32_t dato3 = 0;
  std::uint8_t byte1 = 0;
  std::string testo;
  std::int16_t intero1 = 0;
  std::int16_t intero2 = 0;
  std::int16_t intero3 = 0;
  std::int16_t intero4 = 0;
  std::int16_t intero5 = 0;
  std::uint8_t byte2 = 0;
  std::uint8_t byte3 = 0;
  std::uint8_t byte4 = 0;
  std::uint8_t byte5 = 0;
  std::int32_t dato4 = 0;
};

// One track cell: the 50 m of line that end at index × 50 m.
struct cella {
  std::uint8_t tipo_cella = 0;
  std::int16_t valore_a = 0;
  std::int16_t valore_b = 0;
  std::int16_t valore_c = 0;
  std::int16_t valore_d = 0;
  std::uint8_t tempo_segnale = 0;
  std::uint8_t preavviso = 0;
  std::uint8_t codice_montagna = 0;
  std::uint8_t vel_limite = 0;
  std::uint8_t codice_pendenza = 0;
  std::uint8_t aderenza = 0;
};

// Cell kinds (`tipo_cella`).
namespace tipo {
inline constexpr std::uint8_t vuota = 0;
inline constexpr std::uint8_t segnale = 1;
inline constexpr std::uint8_t fine_rallentamento = 2;
inline constexpr std::uint8_t inizio_rallentamento = 3;
inline constexpr std::uint8_t avviso_rallentamento = 4;
inline constexpr std::uint8_t preavviso_rallentamento = 5;
inline constexpr std::uint8_t indicatore_v_max = 6;
inline constexpr std::uint8_t fermata = 10;
inline constexpr std::uint8_t marcatore_montagna = 11;
inline constexpr std::uint8_t abbattimento_con_valore = 12;
inline constexpr std::uint8_t abbattimento = 13;
inline constexpr std::uint8_t cartello = 14;
}  // namespace tipo

// Features go only into free cells; a mountain marker never blocks anything.
inline bool libera(const cella& c) {
  return c.tipo_cella == tipo::vuota || c.tipo_cella == tipo::marcatore_montagna;
}

// Fixed roles of route table indices.
namespace voce {
inline constexpr int numero = 87;
inline constexpr int primo_cartello = 80;   // text boards grow downward from here
inline constexpr int progressiva_tre = 81;
inline constexpr int progressiva_due = 82;
inline constexpr int progressiva_uno = 83;
inline constexpr int treno = 84;            // braked mass, route length, cars
inline constexpr int scenario = 85;         // backgrounds, name, format mark, route code
inline constexpr int ripetizione = 86;      // signal repetition, train number, sand, clock
}  // namespace voce

inline constexpr int max_montagne = 80;

static_assert(Origins::entry_count == voce::numero);

struct Modello {
  std::string nome_scenario;
  std::string numero_treno;

  std::int32_t scrivi_linea = 0;
  std::int32_t lunghezza_totale = 0;
  std::int32_t ultima_cella = 0;
  std::int32_t numero_errore = 0;
  std::int32_t posizione_errore = 0;

  std::int32_t num_montagne = 0;
  std::array<std::int32_t, max_montagne + 1> montagne_inizio{};
  std::array<std::int32_t, max_montagne + 1> montagne_fine{};

  std::array<voce_percorso, voce::numero> tabella_percorso;
  std::vector<cella> celle;  // empty until the route length is read
  Tracciato tracciato;       // empty unless scrivi_linea and plan_wanted
  // With scrivi_linea, curves are records either way; false leaves the plan
  // unmade, for a compilation that writes no compiled line file.
  bool plan_wanted = true;

  // Every warning and the error of the last compilation, in the order found;
  // the rows behind the cells and entries; what stopped a reading (error 25).
  std::vector<Diagnostic> diagnostics;
  std::size_t error_diagnostic = TextSpan::npos;  // the recorded error's, in `diagnostics`
  // Warnings past the limit of their code are counted here, not kept.
  DiagnosticLimit diagnostic_limit;
  Diagnostic omitted_warning;  // what warn() hands back for one left out
  Origins origins;
  std::string read_failure;
};

}  // namespace scenario
