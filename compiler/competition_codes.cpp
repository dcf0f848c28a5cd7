#include "compiler/competition_codes.h"

#include "compiler/diagnose.h"
#include "model/errors.h"

namespace scenario {
namespace {

constexpr std::string_view riempimento = "aabbccddeeffgghhiillmmnnoo";
constexpr std::size_t caratteri_codice = 25;

// Lower case as the Windows-1252 code page has it.
unsigned char minuscola(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

// The clash as the error's diagnostic, at the row that wrote track cell 1,
// before the fatal error ends the compilation.
[[noreturn]] void fatale(Modello& m, ScenarioError e) {
  Diagnostic d;
  d.severity = Severity::error;
  d.code = "error-" + std::to_string(numero(e));
  d.message = std::string(find_error(e).testo);
  if (const CellOrigin* o = m.origins.cell(1)) d.at = o->feature.span();
  if (m.celle[1].tipo_cella != tipo::vuota) note_cell(m, d, 1, "holds");
  d.notes.push_back({TextSpan{}, std::string(find_error(e).remedy)});
  m.diagnostics.push_back(std::move(d));
  throw FatalError(e);
}

}  // namespace

std::string testo_codice(const Modello& m) {
  std::string t = m.tabella_percorso[voce::ripetizione].testo + m.tabella_percorso[voce::scenario].testo;
  for (char& c : t) c = static_cast<char>(minuscola(static_cast<unsigned char>(c)));
  return t + std::string(riempimento);
}

std::int32_t codice_gara_st(Modello& m) {
  const std::string testo = testo_codice(m);
  std::int32_t somma = 0;
  for (std::size_t i = 0; i < caratteri_codice; ++i)
    somma += static_cast<std::int32_t>(i + 1) * static_cast<unsigned char>(testo[i]);
  return somma;
}

std::int16_t codice_gara_og(Modello& m) {
  const std::string testo = testo_codice(m);
  std::int32_t somma = 0;
  for (std::size_t i = 0; i < caratteri_codice; ++i) somma += static_cast<unsigned char>(testo[i]);
  return static_cast<std::int16_t>(somma);  // at most 25 x 255 = 6375
}

void stamp_headers(Modello& m) {
  voce_percorso& v = m.tabella_percorso[voce::scenario];
  cella& c = m.celle.at(1);
  if (v.intero1 != 0 || c.valore_a != 0) fatale(m, ScenarioError::format_mark_set);
  v.intero1 = marchio_percorso;
  c.valore_a = marchio_celle;
  if (v.dato4 != 0 || c.valore_b != 0) fatale(m, ScenarioError::competition_code_set);
  v.dato4 = codice_gara_st(m);
  c.valore_b = codice_gara_og(m);
}

}  // namespace scenario
