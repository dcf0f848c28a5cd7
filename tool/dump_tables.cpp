// scenarioc dump of the two tables: the route file entry by entry, the cell
// file cell by cell, each field under the model's own name.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/compiled_files_reader.h"
#include "model/format_constants.h"
#include "tool/dump.h"
#include "tool/json.h"

namespace scenarioc {

using namespace scenario;

namespace {

struct Campo {
  std::string_view nome;
  std::int64_t valore;
};

// Route entry fields in file order, split where the text stands.
std::array<Campo, 5> prima_del_testo(const voce_percorso& v) {
  return {{{"tipo_voce", v.tipo_voce}, {"dato1", v.dato1}, {"dato2", v.dato2},
           {"dato3", v.dato3}, {"byte1", v.byte1}}};
}
std::array<Campo, 10> dopo_il_testo(const voce_percorso& v) {
  return {{{"intero1", v.intero1}, {"intero2", v.intero2}, {"intero3", v.intero3},
           {"intero4", v.intero4}, {"intero5", v.intero5}, {"byte2", v.byte2},
           {"byte3", v.byte3}, {"byte4", v.byte4}, {"byte5", v.byte5}, {"dato4", v.dato4}}};
}
std::array<Campo, 11> campi_cella(const cella& c) {
  return {{{"tipo_cella", c.tipo_cella}, {"valore_a", c.valore_a}, {"valore_b", c.valore_b},
           {"valore_c", c.valore_c}, {"valore_d", c.valore_d},
           {"tempo_segnale", c.tempo_segnale}, {"preavviso", c.preavviso},
           {"codice_montagna", c.codice_montagna}, {"vel_limite", c.vel_limite},
           {"codice_pendenza", c.codice_pendenza}, {"aderenza", c.aderenza}}};
}

bool numeri_a_zero(const voce_percorso& v) {
  for (const Campo& c : prima_del_testo(v))
    if (c.valore != 0) return false;
  for (const Campo& c : dopo_il_testo(v))
    if (c.valore != 0) return false;
  return true;
}

bool vuota(const voce_percorso& v) { return v.testo.empty() && numeri_a_zero(v); }

// Stations grow from entry 1 and text boards from entry 80 into the same
// range; a board sets nothing but the text.
std::string_view ruolo(std::size_t i, const voce_percorso& v) {
  if (i == 0) return "unused";
  if (i <= static_cast<std::size_t>(voce::primo_cartello))
    return e_stazione(v) ? "station" : "text board";
  if (i <= static_cast<std::size_t>(voce::progressiva_uno)) return "kilometric progressive";
  if (i == voce::treno) return "train and route";
  if (i == voce::scenario) return "scenario header";
  return "train header";
}

// Printable ASCII as is, every other byte as \xNN, inside double quotes.
std::string tra_virgolette(std::string_view s) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out + "\"";
}

template <typename Campi>
void aggiungi_campi(std::string& out, const Campi& campi) {
  for (const Campo& c : campi) out += " " + std::string(c.nome) + "=" + std::to_string(c.valore);
}
template <typename Campi>
void json_campi(Json& j, const Campi& campi) {
  for (const Campo& c : campi) j.chiave(c.nome).intero(c.valore);
}

std::string metri_cella(std::size_t c) {
  return "(" + std::to_string((static_cast<std::int64_t>(c) - 1) * 50) + " to " +
         std::to_string(c * 50) + " m)";
}

}  // namespace

std::string percorso_testo(const std::string& nome, std::size_t dimensione, const Tabella& t) {
  const voce_percorso& s = t[voce::scenario];
  std::string out = "route file " + nome + ": " + std::to_string(dimensione) + " bytes, " +
                    std::to_string(t.size()) + " entries\n";
  out += "scenario " + tra_virgolette(s.testo) + ", train " +
         tra_virgolette(t[voce::ripetizione].testo) + ", format mark " +
         std::to_string(s.intero1) + ", route competition code " + std::to_string(s.dato4) +
         " (entry 85 intero1 and dato4)\n";
  for (std::size_t i = 0; i < t.size();) {
    if (vuota(t[i])) {
      std::size_t fine = i;
      while (fine + 1 < t.size() && vuota(t[fine + 1])) ++fine;
      out += fine == i ? "entry " + std::to_string(i) + ": empty\n"
                       : "entries " + std::to_string(i) + " to " + std::to_string(fine) + ": empty\n";
      i = fine + 1;
      continue;
    }
    const voce_percorso& v = t[i];
    out += "entry " + std::to_string(i) + " (" + std::string(ruolo(i, v)) + "):";
    aggiungi_campi(out, prima_del_testo(v));
    out += " testo=" + tra_virgolette(v.testo);
    aggiungi_campi(out, dopo_il_testo(v));
    out += "\n";
    ++i;
  }
  return out;
}

std::string percorso_json(const std::string& nome, std::size_t dimensione, const Tabella& t) {
  Json j;
  j.inizio_oggetto();
  j.chiave("file").as_typed(nome);
  j.chiave("file_type").testo("route");
  j.chiave("size").intero(static_cast<std::int64_t>(dimensione));
  j.chiave("scenario").testo(t[voce::scenario].testo);
  j.chiave("train").testo(t[voce::ripetizione].testo);
  j.chiave("format_mark").intero(t[voce::scenario].intero1);
  j.chiave("competition_code").intero(t[voce::scenario].dato4);
  j.chiave("entries").inizio_lista();
  for (std::size_t i = 0; i < t.size(); ++i) {
    const voce_percorso& v = t[i];
    j.inizio_oggetto();
    j.chiave("entry").intero(static_cast<std::int64_t>(i));
    j.chiave("role").testo(vuota(v) ? "empty" : ruolo(i, v));
    json_campi(j, prima_del_testo(v));
    j.chiave("testo").testo(v.testo);
    json_campi(j, dopo_il_testo(v));
    j.fine_oggetto();
  }
  j.fine_lista();
  j.fine_oggetto();
  return j.risultato();
}

std::string celle_testo(const std::string& nome, std::size_t dimensione,
                        const std::vector<cella>& celle) {
  std::string out = "cell file " + nome + ": " + std::to_string(dimensione) + " bytes, " +
                    std::to_string(celle.size()) + " cells (0 to " +
                    std::to_string(celle.size() - 1) + ")\n";
  out += "format mark " + std::to_string(celle[1].valore_a) + ", cell competition code " +
         std::to_string(celle[1].valore_b) + " (cell 1 valore_a and valore_b)\n";
  for (std::size_t i = 0; i < celle.size(); ++i) {
    const cella& c = celle[i];
    if (c.tipo_cella == tipo::vuota) continue;
    out += "cell " + std::to_string(i) + " " + metri_cella(i) + " kind " +
           std::to_string(c.tipo_cella) + " " + std::string(nome_tipo_cella(c.tipo_cella)) + ":";
    const auto campi = campi_cella(c);
    aggiungi_campi(out, std::span(campi).subspan(1));
    out += "\n";
  }
  return out;
}

std::string celle_json(const std::string& nome, std::size_t dimensione,
                       const std::vector<cella>& celle) {
  Json j;
  j.inizio_oggetto();
  j.chiave("file").as_typed(nome);
  j.chiave("file_type").testo("cells");
  j.chiave("size").intero(static_cast<std::int64_t>(dimensione));
  j.chiave("format_mark").intero(celle[1].valore_a);
  j.chiave("competition_code").intero(celle[1].valore_b);
  j.chiave("cells").inizio_lista();
  for (std::size_t i = 0; i < celle.size(); ++i) {
    j.inizio_oggetto();
    j.chiave("cell").intero(static_cast<std::int64_t>(i));
    j.chiave("kind").testo(nome_tipo_cella(celle[i].tipo_cella));
    json_campi(j, campi_cella(celle[i]));
    j.fine_oggetto();
  }
  j.fine_lista();
  j.fine_oggetto();
  return j.risultato();
}


}  // namespace scenarioc
