#include "tool/diagnostics.h"

#include <string_view>
#include <vector>

#include "model/errors.h"
#include "text/field_reader.h"
#include "compiler/line_features.h"
#include "compiler/signals.h"
#include "tool/source_line.h"

namespace scenarioc {
namespace {

using namespace scenario;

// A scenario text as messages show it: printable ASCII kept, other bytes
// as \xNN, so a stray control byte cannot garble the terminal.
std::string leggibile(std::string_view s) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out;
}

// Cell c stands for the 50 m of line that end at c x 50 m.
std::string metri(std::int64_t prima, std::int64_t ultima) {
  return "(" + std::to_string((prima - 1) * 50) + " to " + std::to_string(ultima * 50) + " m)";
}

bool esiste(const Modello& m, std::int64_t c) {
  return c >= 0 && c < static_cast<std::int64_t>(m.celle.size());
}

// "track cells 381 to 383 (19000 to 19150 m) hold: a signal; ..." for the
// cells that exist.
std::string celle_occupate(const Modello& m, std::int64_t prima, std::int64_t ultima) {
  std::vector<std::string> cosa;
  for (std::int64_t c = prima; c <= ultima; ++c)
    if (esiste(m, c)) cosa.push_back(contenuto_cella(m, static_cast<std::size_t>(c)));
  if (cosa.empty()) return "";
  if (prima == ultima)
    return "track cell " + std::to_string(prima) + " " + metri(prima, prima) + " holds " + cosa[0];
  std::string s = "track cells " + std::to_string(prima) + " to " + std::to_string(ultima) + " " +
                  metri(prima, ultima) + " hold: ";
  for (std::size_t i = 0; i < cosa.size(); ++i) s += (i ? "; " : "") + cosa[i];
  return s;
}

// The cells of the slowdown row that starts at `record`, read again from
// its text (the model keeps no length).
std::optional<CelleRallentamento> rileggi_rallentamento(const Sorgente& s, std::size_t record) {
  if (!s.testo || record >= s.testo->size()) return std::nullopt;
  try {
    FieldReader r(std::string_view(*s.testo).substr(record));
    r.text();
    const std::int32_t x = r.number();
    r.number();
    const std::int32_t l = r.number();
    return celle_rallentamento(x, l);
  } catch (const ReadFailure&) {
    return std::nullopt;
  }
}

// The contested cell of a placement error.
std::optional<std::int64_t> cella_contesa(const Modello& m, const Sorgente& s) {
  const std::int32_t p = m.posizione_errore;
  switch (m.numero_errore) {
    case 6:
    case 16:
    case 21: return cella_di(p);
    case 7: return cella_abbattimento(p);
    case 17:
    case 18:
    case 19:
    case 20: {
      const auto k = rileggi_rallentamento(s, m.diagnosi.record);
      if (!k) return std::nullopt;
      if (m.numero_errore == 17) return k->avviso;
      if (m.numero_errore == 18) return k->inizio;
      if (m.numero_errore == 19) return k->fine;
      for (std::int64_t j = 0; j < 4; ++j)
        if (esiste(m, k->preavviso - j) &&
            !libera(m.celle[static_cast<std::size_t>(k->preavviso - j)]))
          return k->preavviso - j;
      return std::nullopt;
    }
    default: return std::nullopt;
  }
}

// The cells the route post-processing found taken (errors 11 to 13).
std::vector<std::string> celle_del_dopo(const Modello& m) {
  const std::int64_t c = m.posizione_errore / 50;
  std::vector<std::string> note;
  auto aggiungi = [&](std::int64_t prima, std::int64_t ultima) {
    std::string s = celle_occupate(m, prima, ultima);
    if (!s.empty()) note.push_back(std::move(s));
  };
  switch (m.numero_errore) {
    case 11: aggiungi(c - 2, c - 1); break;
    case 12:
      aggiungi(c - 20, c - 18);
      aggiungi(c - 13, c - 11);
      aggiungi(c - 7, c - 5);
      break;
    case 13: aggiungi(c - 1, c + 1); break;
    default: break;
  }
  return note;
}

}  // namespace

std::string contenuto_cella(const Modello& m, std::size_t c) {
  const cella& k = m.celle.at(c);
  auto voce_testo = [&](std::int16_t indice) -> std::string {
    if (indice < 1 || indice >= voce::numero) return "";
    return leggibile(m.tabella_percorso[static_cast<std::size_t>(indice)].testo);
  };
  switch (k.tipo_cella) {
    case tipo::vuota: return "nothing";
    case tipo::segnale: return "a signal";
    case tipo::fine_rallentamento: return "the end of a slowdown";
    case tipo::inizio_rallentamento: return "the start of a slowdown";
    case tipo::avviso_rallentamento: return "the warning board of a slowdown";
    case tipo::preavviso_rallentamento: return "an approach mark of a slowdown";
    case tipo::indicatore_v_max: return "a speed board";
    case tipo::fermata: {
      const std::string nome = voce_testo(k.valore_a);
      return nome.empty() ? "the stop cell of a station" : "the stop cell of station " + nome;
    }
    case tipo::marcatore_montagna: return "a mountain marker";
    case tipo::abbattimento_con_valore:
      return "an abbattimento point of value " + std::to_string(k.valore_a);
    case tipo::abbattimento: return "an abbattimento point";
    case tipo::cartello: return "the text board \"" + voce_testo(k.valore_a) + "\"";
    default: return "a feature of kind " + std::to_string(k.tipo_cella);
  }
}

std::string diagnosi_errore(const Modello& m, const Sorgenti& s) {
  const std::int32_t n = m.numero_errore;
  if (n == 0) return "";
  const Diagnosi& d = m.diagnosi;
  const Sorgente* sorgente = nullptr;
  if (d.sorgente == Diagnosi::Sorgente::linea) sorgente = &s.linea;
  else if (d.sorgente == Diagnosi::Sorgente::treno) sorgente = &s.treno;
  // The post-processing works on what the train description placed.
  else if (n >= 11 && n <= 13) sorgente = &s.treno;

  // Where: the field at fault when the reader knows it, else the record.
  const std::size_t offset = d.campo != Diagnosi::npos ? d.campo : d.record;
  std::string prefisso = sorgente ? sorgente->percorso + ": " : "scenarioc: ";
  std::string righe;
  if (sorgente && sorgente->testo && offset != Diagnosi::npos) {
    const std::string_view testo = *sorgente->testo;
    const Location loc = FieldReader::locate(testo, offset);
    prefisso = sorgente->percorso + ":" + std::to_string(loc.line) + ": ";
    const std::string_view riga = FieldReader::line_at(testo, offset);
    if (!riga.empty()) {
      const ShownLine shown = show_line(riga, loc.column);
      righe += shown.text + "\n" + shown.caret + "\n";
    }
  }

  std::string out = prefisso + "error " + std::to_string(n) + ": " + std::string(spiegazione(n));
  if (n == 25 && !d.guasto.empty()) out += ": " + d.guasto;
  const VoceErrore* voce = cerca_errore(n);
  if (voce && voce->con_posizione)
    out += " (position " + std::to_string(m.posizione_errore) + " m)";
  out += "\n" + righe;

  std::vector<std::string> note;
  if (const auto c = cella_contesa(m, sorgente ? *sorgente : s.treno); c && esiste(m, *c))
    note.push_back("track cell " + std::to_string(*c) + " " + metri(*c, *c) + " already holds " +
                   contenuto_cella(m, static_cast<std::size_t>(*c)));
  for (std::string& nota : celle_del_dopo(m)) note.push_back(std::move(nota));
  if (voce && !voce->rimedio.empty()) note.push_back(std::string(voce->rimedio));
  for (const std::string& nota : note) out += prefisso + "note: " + nota + "\n";
  return out;
}

std::string diagnosi_fatale(const Modello& m, std::int32_t numero) {
  std::string out = "scenarioc: error " + std::to_string(numero) + ": " +
                    std::string(spiegazione(numero)) + "\n";
  if (m.celle.size() > 1 && m.celle[1].tipo_cella != tipo::vuota)
    out += "scenarioc: note: " + celle_occupate(m, 1, 1) + "\n";
  if (const VoceErrore* voce = cerca_errore(numero); voce && !voce->rimedio.empty())
    out += "scenarioc: note: " + std::string(voce->rimedio) + "\n";
  return out;
}

}  // namespace scenarioc
