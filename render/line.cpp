// The page: the title block, the plan, the profiles and the legend, one
// below the other, and the checks that the three files belong together.
#include "render/line.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "compiler/competition_codes.h"
#include "model/format_constants.h"
#include "render/scene.h"

namespace scenarioc {

using namespace scenario;
using render::Scena;
using render::Segno;
using svg::num;

namespace {


std::vector<render::Stazione> stazioni(const LineaCompilata& l) {
  std::vector<render::Stazione> out;
  for (int i = 1; i <= voce::primo_cartello; ++i) {
    const voce_percorso& v = l.tabella[static_cast<std::size_t>(i)];
    if (e_stazione(v)) out.push_back({i, v.dato3, v.tipo_voce, svg::testo(v.testo)});
  }
  return out;
}

std::int64_t celle_attese(std::int64_t lunghezza) { return ultima_cella_per(lunghezza) + 1; }

std::string stile() {
  std::string s =
      "text{font-family:'DejaVu Sans','Liberation Sans',Arial,Helvetica,sans-serif;font-size:12px;fill:#222}\n"
      ".title{font-size:22px;font-weight:bold}\n"
      ".subtitle{font-size:13px;fill:#333}\n"
      ".panel-title{font-size:11px;font-weight:bold;fill:#444}\n"
      ".tick-label,.unit{font-size:10px;fill:#555}\n"
      ".small,.legend-note{font-size:11px;fill:#555}\n"
      ".lane-label{font-size:11px;fill:#333}\n"
      ".value-label{font-size:10px;fill:#333}\n"
      ".board-label{font-size:9px;fill:#0d47a1}\n"
      ".mountain-label{font-size:9px;fill:#fff}\n"
      ".station-name{font-size:12px;font-weight:bold}\n"
      ".station-name-slanted{font-size:11px}\n"
      ".end-label{font-size:12px;font-style:italic;fill:#333}\n"
      ".km-label{font-size:10px;fill:#1f4e8c}\n"
      ".north-label{font-size:14px;font-weight:bold}\n"
      ".halo{paint-order:stroke;stroke:#fff;stroke-width:3px;stroke-linejoin:round}\n"
      ".frame{fill:#fcfcfa;stroke:#b5b5b5}\n"
      ".grid{stroke:#e6e6e6;fill:none}\n"
      ".zero{stroke:#9a9a9a;fill:none}\n"
      ".axis{stroke:#555;fill:none}\n"
      ".lane{stroke:#e0e0e0;fill:none}\n"
      ".guide{stroke:#c8c8c8;stroke-dasharray:3 3;fill:none}\n"
      ".guide-tick{stroke:#777;fill:none}\n"
      ".leader{stroke:#999;stroke-width:.8;fill:none}\n"
      ".track,.key-track{fill:none;stroke:#1f4e8c;stroke-width:2.5;stroke-linejoin:round;stroke-linecap:round}\n"
      ".km-tick{stroke:#1f4e8c;stroke-width:1.5}\n"
      ".plan-station{fill:#fff;stroke:#111;stroke-width:2}\n"
      ".start{fill:#2e9d3a;stroke:#fff;stroke-width:1.5}\n"
      ".end{fill:#c62828;stroke:#fff;stroke-width:1.5}\n"
      ".stretch-end{fill:#777;stroke:#fff}\n"
      ".north{fill:#333}\n"
      ".scale-bar{fill:none;stroke:#333;stroke-width:1.5}\n"
      ".elevation-area,.key-elevation-area{fill:#eadfca;stroke:none}\n"
      ".elevation,.key-elevation{fill:none;stroke:#8a6d3b;stroke-width:1.5}\n"
      ".gradient-up,.key-gradient-up{fill:#e07b6a}\n"
      ".gradient-down,.key-gradient-down{fill:#6aa0e0}\n"
      ".speed-limit,.key-speed-limit{fill:none;stroke:#c62828;stroke-width:2}\n"
      ".adhesion,.key-adhesion{fill:none;stroke:#2e7d32;stroke-width:1.5}\n"
      ".mountain,.key-mountain{fill:#8d6e63;fill-opacity:.75;stroke:#5d4037}\n";
  struct Colore {
    std::string_view classe, regole;
  };
  static constexpr Colore colori[] = {
      {"signal", "fill:#d32f2f;stroke:#222;stroke-width:1"},
      {"slowdown-warning", "fill:#fbc02d;stroke:#222;stroke-width:.8"},
      {"slowdown-approach", "fill:#ef6c00;stroke:none"},
      {"slowdown-start", "fill:#ef6c00;stroke:#222;stroke-width:.8"},
      {"slowdown-end", "fill:#9ccc65;stroke:#222;stroke-width:.8"},
      {"abbattimento-value", "fill:#7b1fa2;stroke:#222;stroke-width:.8"},
      {"abbattimento", "fill:#fff;stroke:#7b1fa2;stroke-width:1.6"},
      {"text-board", "fill:#00838f;stroke:#222;stroke-width:.8"},
      {"station-stop", "fill:#222;stroke:#fff;stroke-width:.8"},
      {"speed-board", "fill:#1565c0;stroke:#fff;stroke-width:.8"},
  };
  for (const Colore& c : colori)
    s += "." + std::string(c.classe) + ",.key-" + std::string(c.classe) + "{" + std::string(c.regole) + "}\n";
  return s;
}

void titolo(svg::Documento& doc, const Scena& s) {
  const LineaCompilata& l = s.linea;
  const voce_percorso& intestazione = l.tabella[voce::scenario];
  std::size_t segnali = 0;
  for (const cella& c : l.celle) segnali += c.tipo_cella == tipo::segnale;

  // The codes tie the files to the names they carry: say whether they do.
  Modello m;
  m.tabella_percorso = l.tabella;
  const bool percorso_ok = codice_gara_st(m) == intestazione.dato4;
  const bool celle_ok = codice_gara_og(m) == l.celle[1].valore_b;
  const std::string verifica = percorso_ok && celle_ok ? "both match the scenario name and train number"
                               : percorso_ok            ? "the cell code does not match the names"
                               : celle_ok               ? "the route code does not match the names"
                                                        : "neither matches the names";

  const std::string punto = " \xC2\xB7 ";  // a middle dot
  doc.apri_gruppo("title");
  doc.testo("class=\"title\" x=\"20\" y=\"34\"",
            svg::testo(intestazione.testo) + svg::nostro(punto + "train ") + svg::testo(l.tabella[voce::ripetizione].testo));
  const std::string riga =
      "route " + num(s.lunghezza / 1000.0, 3) + " km" + punto + std::to_string(s.stazioni.size()) + " stations" +
      punto + std::to_string(segnali) + " signals" + punto + "competition codes: route " +
      std::to_string(intestazione.dato4) + ", cells " + std::to_string(l.celle[1].valore_b) + " (" + verifica + ")";
  doc.testo("class=\"subtitle\" x=\"20\" y=\"58\"", svg::nostro(riga));
  if (s.zoom)
    doc.testo("class=\"subtitle\" x=\"20\" y=\"78\"",
              svg::nostro("showing " + render::km_esatto(s.da) + " to " + render::km_esatto(s.a)));
  doc.chiudi_gruppo();
}

// One key per mark and curve, with how many marks the stretch holds.
double legenda(svg::Documento& doc, const Scena& s, double y) {
  const LineaCompilata& l = s.linea;
  const auto& segni = render::segni();
  std::vector<std::size_t> quanti(segni.size(), 0);
  std::size_t sconosciute = 0, montagne = 0;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    if (!s.cella_visibile(c)) continue;
    const cella& k = l.celle[c];
    if (k.codice_montagna != 0 && (c == 1 || l.celle[c - 1].codice_montagna != k.codice_montagna ||
                                   !s.cella_visibile(c - 1)))
      ++montagne;
    Segno segno{};
    if (!render::segno_di(k.tipo_cella, segno)) {
      sconosciute += k.tipo_cella != tipo::vuota && k.tipo_cella != tipo::marcatore_montagna;
      continue;
    }
    for (std::size_t i = 0; i < segni.size(); ++i) quanti[i] += segni[i].segno == segno;
  }

  constexpr double colonna = 245, riga = 22;
  constexpr int per_riga = 6;
  int n = 0;
  auto posto = [&](double& x, double& cy) {
    x = render::asse_sinistra + colonna * (n % per_riga);
    cy = y + 14 + riga * (n / per_riga);
    ++n;
  };
  auto voce_testo = [&](double x, double cy, const std::string& t) {
    doc.testo("class=\"small\" x=\"" + num(x + 18) + "\" y=\"" + num(cy + 4) + "\"", svg::nostro(t));
  };
  doc.apri_gruppo("legend");
  doc.testo("class=\"panel-title\" x=\"" + num(render::margine) + "\" y=\"" + num(y + 18) + "\"", "legend");
  double x = 0, cy = 0;
  for (std::size_t i = 0; i < segni.size(); ++i) {
    posto(x, cy);
    render::disegna_segno(doc, segni[i].segno, x + 6, cy, {}, true);
    voce_testo(x, cy, std::string(segni[i].etichetta) + " (" + std::to_string(quanti[i]) + ")");
  }
  posto(x, cy);
  doc.elemento("rect", "class=\"key-mountain\" x=\"" + num(x) + "\" y=\"" + num(cy - 6) +
                           "\" width=\"13\" height=\"12\"");
  voce_testo(x, cy, "mountain span (" + std::to_string(montagne) + ")");
  struct Curva {
    std::string_view classe, nome;
    bool area;
  };
  static constexpr Curva curve[] = {{"key-track", "track (plan)", false},
                                    {"key-elevation", "elevation", false},
                                    {"key-gradient-up", "uphill gradient", true},
                                    {"key-gradient-down", "downhill gradient", true},
                                    {"key-speed-limit", "speed limit", false},
                                    {"key-adhesion", "adhesion", false}};
  for (const Curva& k : curve) {
    posto(x, cy);
    if (k.area)
      doc.elemento("rect", "class=\"" + std::string(k.classe) + "\" x=\"" + num(x) + "\" y=\"" + num(cy - 5) +
                               "\" width=\"13\" height=\"10\"");
    else
      doc.elemento("path", "class=\"" + std::string(k.classe) + "\" d=\"M" + num(x) + " " + num(cy) + " h14\"");
    voce_testo(x, cy, std::string(k.nome));
  }
  double alto = riga * ((n + per_riga - 1) / per_riga) + 10;
  if (sconosciute > 0) {
    doc.testo("class=\"legend-note\" x=\"" + num(render::asse_sinistra) + "\" y=\"" + num(y + alto + 6) + "\"",
              svg::nostro(std::to_string(sconosciute) + " cells of a kind the compiler does not write are not drawn"));
    alto += riga;
  }
  doc.chiudi_gruppo();
  return alto;
}

}  // namespace

std::optional<std::string> incoerenza(const LineaCompilata& l) {
  const std::int32_t lunghezza = l.tabella[voce::treno].dato2;
  if (lunghezza <= 0)
    return "the route file gives the route length " + std::to_string(lunghezza) +
           " m (entry 84 dato2): there is no line to draw";
  const std::int64_t celle = celle_attese(lunghezza);
  const std::int64_t punti = std::int64_t{lunghezza} + metri_oltre + 1;
  const std::string di = "a route of " + std::to_string(lunghezza) + " m (route file entry 84 dato2) has ";
  if (static_cast<std::int64_t>(l.celle.size()) != celle)
    return "the cell file has " + std::to_string(l.celle.size()) + " cells, but " + di + std::to_string(celle);
  if (static_cast<std::int64_t>(l.tracciato.punti()) != punti)
    return "the compiled line file has " + std::to_string(l.tracciato.punti()) + " points, but " + di +
           std::to_string(punti);
  return std::nullopt;
}

double fine_asse(const LineaCompilata& l) {
  const double limite = static_cast<double>(l.celle.size() - 1) * 50.0;
  double fine = l.tabella[voce::treno].dato2;
  for (const render::Stazione& st : stazioni(l))
    if (st.posizione > fine) fine = st.posizione;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    Segno s{};
    if (render::segno_di(l.celle[c].tipo_cella, s) || l.celle[c].codice_montagna != 0)
      fine = std::max(fine, static_cast<double>(c) * 50.0);
  }
  return std::min(fine, limite);
}

std::string disegna_linea(const LineaCompilata& l, double da, double a) {
  // Kilometre ticks: the first round step giving at most 20 of them.
  double passo = 500;
  for (double p : {0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0})
    if ((a - da) / 1000.0 / p <= 20) {
      passo = p;
      break;
    }
  // Tooltips double a mark's size: beyond a few thousand marks, when the
  // marks lie too close to point at anyway, they are left out.
  std::size_t segni = 0;
  for (std::size_t c = 0; c < l.celle.size(); ++c) {
    Segno k{};
    segni += render::segno_di(l.celle[c].tipo_cella, k) && da <= Scena::mezzo_cella(c) && Scena::mezzo_cella(c) <= a;
  }
  const Scena s{l, l.tabella[voce::treno].dato2, da, a, stazioni(l), passo, da > 0 || a < fine_asse(l),
                segni <= 3000};
  svg::Documento doc(render::larghezza_pagina, stile());
  doc.grezzo(render::definizioni_segni());
  titolo(doc, s);
  double y = s.zoom ? 94 : 76;
  y += render::disegna_pianta(doc, s, y) + 10;
  y += render::disegna_profili(doc, s, y);
  y += legenda(doc, s, y);
  return doc.finisci(y + 10);
}

}  // namespace scenarioc
