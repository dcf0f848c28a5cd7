// The marks of the cell kinds and what their tooltips say.
#include <string>

#include "format/compiled_files_reader.h"
#include "model/cell_kinds.h"
#include "render/scene.h"

namespace render {

using scenario::cella;
namespace tipo = scenario::tipo;

const std::vector<MarkStyle>& marks() {
  static const std::vector<MarkStyle> all = {
      {Mark::signal, "signal", "signal"},
      {Mark::slowdown_warning, "slowdown-warning", "slowdown warning board"},
      {Mark::slowdown_approach, "slowdown-approach", "slowdown approach mark"},
      {Mark::slowdown_start, "slowdown-start", "slowdown start"},
      {Mark::slowdown_end, "slowdown-end", "slowdown end"},
      {Mark::abbattimento_value, "abbattimento-value", "abbattimento with value"},
      {Mark::abbattimento, "abbattimento", "abbattimento"},
      {Mark::text_board, "text-board", "text board"},
      {Mark::station_stop, "station-stop", "station stop cell"},
      {Mark::speed_board, "speed-board", "speed board"},
  };
  return all;
}

bool mark_of(std::uint8_t tipo_cella, Mark& s) {
  switch (tipo_cella) {
    case tipo::segnale: s = Mark::signal; return true;
    case tipo::fine_rallentamento: s = Mark::slowdown_end; return true;
    case tipo::inizio_rallentamento: s = Mark::slowdown_start; return true;
    case tipo::avviso_rallentamento: s = Mark::slowdown_warning; return true;
    case tipo::preavviso_rallentamento: s = Mark::slowdown_approach; return true;
    case tipo::abbattimento_con_valore: s = Mark::abbattimento_value; return true;
    case tipo::abbattimento: s = Mark::abbattimento; return true;
    case tipo::cartello: s = Mark::text_board; return true;
    case tipo::fermata: s = Mark::station_stop; return true;
    case tipo::indicatore_v_max: s = Mark::speed_board; return true;
    default: return false;
  }
}

namespace {

std::string_view css_class_of(Mark s) {
  for (const MarkStyle& d : marks())
    if (d.mark == s) return d.css_class;
  return "";
}

// The outline of each mark around (0, 0), in pixels.
std::string_view outline(Mark s) {
  switch (s) {
    case Mark::signal: return "M0 7 V-1 M-3.5 -4.5 a3.5 3.5 0 1 0 7 0 a3.5 3.5 0 1 0 -7 0";  // mast and head
    case Mark::slowdown_end: return "M-4.5 -4.5 h9 v9 h-9 Z";
    case Mark::slowdown_start: return "M-4.5 -5.5 l10 5.5 l-10 5.5 Z";
    case Mark::slowdown_warning: return "M0 -6 l6 11 h-12 Z";
    case Mark::slowdown_approach: return "M-1.5 -4 h3 v8 h-3 Z";
    case Mark::abbattimento_value:
    case Mark::abbattimento: return "M0 -6 l6 6 l-6 6 l-6 -6 Z";
    case Mark::text_board: return "M-6 -4 h12 v8 h-12 Z";
    case Mark::station_stop: return "M-4 -4 h8 v8 h-8 Z";
    case Mark::speed_board: return "M-5.5 -5 h11 l-5.5 10 Z";
  }
  return "";
}

std::string n(std::int64_t v) { return std::to_string(v); }

// The speeds a board code holds: two groups of two digits, each in steps of
// 5 km/h (2510 is 125 and 50).
std::string board_speeds(std::int16_t code) {
  if (code < 0) return "code " + n(code);
  return n(code / 100 * 5) + "/" + n(code % 100 * 5);
}

std::string entry_name(const Scene& s, std::int16_t entry) {
  if (entry < 1 || entry > scenario::voce::primo_cartello) return "route entry " + n(entry) + " (out of range)";
  const std::string& t = s.compiled.tabella_percorso[static_cast<std::size_t>(entry)].testo;
  return "\xAB" + t + "\xBB (route entry " + n(entry) + ")";  // guillemets in Windows-1252
}

}  // namespace

std::string mark_definitions() {
  std::string d = "<defs>\n";
  for (const MarkStyle& s : marks())
    d += "<path id=\"m-" + std::string(s.css_class) + "\" d=\"" + std::string(outline(s.mark)) + "\"/>\n";
  return d + "</defs>\n";
}

// A reference to the kind's outline: some 45 bytes a mark, so that even a
// feature in every cell of the longest line stays a small document. The
// colours come from the class, which the outline inherits.
void draw_mark(svg::Document& doc, Mark s, double x, double y, std::string_view title,
                   bool in_legend) {
  const std::string c(css_class_of(s));
  std::string a = "class=\"" + (in_legend ? "key-" + c : c) + "\" href=\"#m-" + c + "\" x=\"" + svg::num(x) + "\"";
  if (y != 0) a += " y=\"" + svg::num(y) + "\"";
  doc.element("use", a, title);
}

std::string describe_cell(const Scene& s, std::size_t c) {
  const cella& k = s.compiled.celle[c];
  const double end = static_cast<double>(c) * 50.0;
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
      d = "speed board (km/h): A " + board_speeds(k.valore_a) + ", B " +
          board_speeds(k.valore_b) + ", C " + board_speeds(k.valore_c) + ", stripes " +
          n(k.valore_d / 10) + " and " + n(k.valore_d % 10);
      break;
    case tipo::fermata:
      d = "stop cell of station " + entry_name(s, k.valore_a);
      break;
    case tipo::abbattimento_con_valore:
      d = "abbattimento point, value " + n(k.valore_a);
      break;
    case tipo::abbattimento:
      d = "abbattimento point";
      break;
    case tipo::cartello:
      d = "text board " + entry_name(s, k.valore_a);
      break;
    default:
      d = std::string(scenario::cell_kind_name(k.tipo_cella));
      break;
  }
  d += ", cell " + n(static_cast<std::int64_t>(c)) + " (" + km_exact(end - 50.0) + " to " +
       km_exact(end) + ")";
  return svg::cp1252_text(d);
}

}  // namespace render
