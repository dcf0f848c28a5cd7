// The marks of the cell kinds and what their tooltips say.
#include <string>

#include "format/compiled_files_reader.h"
#include "render/scene.h"

namespace scenarioc::render {

using scenario::cella;
namespace tipo = scenario::tipo;

const std::vector<DescrizioneSegno>& segni() {
  static const std::vector<DescrizioneSegno> tutti = {
      {Segno::segnale, "signal", "signal"},
      {Segno::avviso_rallentamento, "slowdown-warning", "slowdown warning board"},
      {Segno::preavviso_rallentamento, "slowdown-approach", "slowdown approach mark"},
      {Segno::inizio_rallentamento, "slowdown-start", "slowdown start"},
      {Segno::fine_rallentamento, "slowdown-end", "slowdown end"},
      {Segno::abbattimento_con_valore, "abbattimento-value", "abbattimento with value"},
      {Segno::abbattimento, "abbattimento", "abbattimento"},
      {Segno::cartello, "text-board", "text board"},
      {Segno::fermata, "station-stop", "station stop cell"},
      {Segno::indicatore_v_max, "speed-board", "speed board"},
  };
  return tutti;
}

bool segno_di(std::uint8_t tipo_cella, Segno& s) {
  switch (tipo_cella) {
    case tipo::segnale: s = Segno::segnale; return true;
    case tipo::fine_rallentamento: s = Segno::fine_rallentamento; return true;
    case tipo::inizio_rallentamento: s = Segno::inizio_rallentamento; return true;
    case tipo::avviso_rallentamento: s = Segno::avviso_rallentamento; return true;
    case tipo::preavviso_rallentamento: s = Segno::preavviso_rallentamento; return true;
    case tipo::abbattimento_con_valore: s = Segno::abbattimento_con_valore; return true;
    case tipo::abbattimento: s = Segno::abbattimento; return true;
    case tipo::cartello: s = Segno::cartello; return true;
    case tipo::fermata: s = Segno::fermata; return true;
    case tipo::indicatore_v_max: s = Segno::indicatore_v_max; return true;
    default: return false;
  }
}

namespace {

std::string_view classe(Segno s) {
  for (const DescrizioneSegno& d : segni())
    if (d.segno == s) return d.classe;
  return "";
}

// The outline of each mark around (0, 0), in pixels.
std::string_view forma(Segno s) {
  switch (s) {
    case Segno::segnale: return "M0 7 V-1 M-3.5 -4.5 a3.5 3.5 0 1 0 7 0 a3.5 3.5 0 1 0 -7 0";  // mast and head
    case Segno::fine_rallentamento: return "M-4.5 -4.5 h9 v9 h-9 Z";
    case Segno::inizio_rallentamento: return "M-4.5 -5.5 l10 5.5 l-10 5.5 Z";
    case Segno::avviso_rallentamento: return "M0 -6 l6 11 h-12 Z";
    case Segno::preavviso_rallentamento: return "M-1.5 -4 h3 v8 h-3 Z";
    case Segno::abbattimento_con_valore:
    case Segno::abbattimento: return "M0 -6 l6 6 l-6 6 l-6 -6 Z";
    case Segno::cartello: return "M-6 -4 h12 v8 h-12 Z";
    case Segno::fermata: return "M-4 -4 h8 v8 h-8 Z";
    case Segno::indicatore_v_max: return "M-5.5 -5 h11 l-5.5 10 Z";
  }
  return "";
}

std::string n(std::int64_t v) { return std::to_string(v); }

// The speeds a board code holds: two groups of two digits, each in steps of
// 5 km/h (2510 is 125 and 50).
std::string velocita_cartello(std::int16_t codice) {
  if (codice < 0) return "code " + n(codice);
  return n(codice / 100 * 5) + "/" + n(codice % 100 * 5);
}

std::string nome_voce(const Scena& s, std::int16_t voce) {
  if (voce < 1 || voce > scenario::voce::primo_cartello) return "route entry " + n(voce) + " (out of range)";
  const std::string& t = s.linea.tabella[static_cast<std::size_t>(voce)].testo;
  return "\xAB" + t + "\xBB (route entry " + n(voce) + ")";  // guillemets in Windows-1252
}

}  // namespace

std::string definizioni_segni() {
  std::string d = "<defs>\n";
  for (const DescrizioneSegno& s : segni())
    d += "<path id=\"m-" + std::string(s.classe) + "\" d=\"" + std::string(forma(s.segno)) + "\"/>\n";
  return d + "</defs>\n";
}

// A reference to the kind's outline: some 45 bytes a mark, so that even a
// feature in every cell of the longest line stays a small document. The
// colours come from the class, which the outline inherits.
void disegna_segno(svg::Documento& doc, Segno s, double x, double y, std::string_view titolo,
                   bool legenda) {
  const std::string c(classe(s));
  std::string a = "class=\"" + (legenda ? "key-" + c : c) + "\" href=\"#m-" + c + "\" x=\"" + svg::num(x) + "\"";
  if (y != 0) a += " y=\"" + svg::num(y) + "\"";
  doc.elemento("use", a, titolo);
}

std::string descrivi_cella(const Scena& s, std::size_t c) {
  const cella& k = s.linea.celle[c];
  const double fine = static_cast<double>(c) * 50.0;
  std::string d;  // Windows-1252 until escaped at the end, as route texts are
  switch (k.tipo_cella) {
    case tipo::segnale:
      d = "signal: valore_a " + n(k.valore_a) + ", valore_b " + n(k.valore_b) + ", valore_c " +
          n(k.valore_c) + ", valore_d " + n(k.valore_d) + ", tempo " + n(k.tempo_segnale);
      break;
    case tipo::fine_rallentamento:
    case tipo::inizio_rallentamento:
      d = std::string(k.tipo_cella == tipo::inizio_rallentamento ? "slowdown start" : "slowdown end") +
          ": v " + n(k.valore_a) + ", d_v " + n(k.valore_b) + ", f_tt " + n(k.valore_c);
      break;
    case tipo::avviso_rallentamento:
      d = "slowdown warning board: v " + n(k.valore_a) + ", d_v " + n(k.valore_b);
      break;
    case tipo::preavviso_rallentamento:
      d = "slowdown approach mark " + n(k.valore_a);
      break;
    case tipo::indicatore_v_max:
      d = "speed board (km/h): A " + velocita_cartello(k.valore_a) + ", B " +
          velocita_cartello(k.valore_b) + ", C " + velocita_cartello(k.valore_c) + ", stripes " +
          n(k.valore_d / 10) + " and " + n(k.valore_d % 10);
      break;
    case tipo::fermata:
      d = "stop cell of station " + nome_voce(s, k.valore_a);
      break;
    case tipo::abbattimento_con_valore:
      d = "abbattimento point, value " + n(k.valore_a);
      break;
    case tipo::abbattimento:
      d = "abbattimento point";
      break;
    case tipo::cartello:
      d = "text board " + nome_voce(s, k.valore_a);
      break;
    default:
      d = std::string(scenario::nome_tipo_cella(k.tipo_cella));
      break;
  }
  d += ", cell " + n(static_cast<std::int64_t>(c)) + " (" + km_esatto(fine - 50.0) + " to " +
       km_esatto(fine) + ")";
  return svg::testo(d);
}

}  // namespace scenarioc::render
