// The plan of the line: the compiled line file's points, scaled to fit the
// page with north up, thinned to about one point per pixel, with kilometre
// ticks along the track, the stations named at their positions and the
// start and end marked.
//
// North is coordinate 1: the line starts heading along it, and a right-hand
// curve turns from it towards coordinate 0, which is therefore east.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "render/scene.h"
#include "render/thin.h"

namespace scenarioc::render {
namespace {

using scenario::Tracciato;
using svg::num;
using svg::Punto;

constexpr double altezza_massima = 660;
constexpr double bordo = 48;  // room for labels around the fitted line
constexpr double corpo_nome = 12, corpo_km = 10;

// A point with both coordinates set and within reason: a compiled line never
// leaves a million kilometres, and values beyond that (or not finite) would
// only squash the rest of the drawing to a dot.
bool utilizzabile(const Tracciato& t, std::size_t p) {
  constexpr double limite = 1e12;
  return t.tipo(p, 0) != Tracciato::Tipo::vuoto && t.tipo(p, 1) != Tracciato::Tipo::vuoto &&
         std::abs(t.valore(p, 0)) <= limite && std::abs(t.valore(p, 1)) <= limite;
}

// Plan coordinates to the page: coordinate 0 to the right, coordinate 1 up.
struct Vista {
  double min_x, max_y, scala, ox, oy;
  Punto operator()(const Tracciato& t, std::size_t p) const {
    return {ox + (t.valore(p, 0) - min_x) * scala, oy + (max_y - t.valore(p, 1)) * scala};
  }
};

class Pianta {
 public:
  Pianta(svg::Documento& doc, const Scena& s) : doc_(doc), s_(s), t_(s.linea.tracciato) {}
  double disegna(double y);

 private:
  bool punto(double metri, Punto& out) const;
  Punto direzione(double metri) const;
  void etichetta(double x, double y, double raggio, const std::string& testo, std::string_view classe,
                 double corpo, bool obbligatoria);
  void rosa_e_scala(double x0, double y0, double x1, double y1);

  svg::Documento& doc_;
  const Scena& s_;
  const Tracciato& t_;
  std::size_t primo_ = 0, ultimo_ = 0;  // the points of the stretch
  Vista v_{};
  Etichette etichette_{{0, 0, 0, 0}};
};

// The page position of the plan point nearest to `metri`, or of the nearest
// usable one within 50 m.
bool Pianta::punto(double metri, Punto& out) const {
  const double m = std::clamp(std::round(metri), static_cast<double>(primo_), static_cast<double>(ultimo_));
  const auto p = static_cast<std::size_t>(m);
  for (std::size_t d = 0; d <= 50; ++d) {
    if (p >= primo_ + d && utilizzabile(t_, p - d)) return out = v_(t_, p - d), true;
    if (p + d <= ultimo_ && utilizzabile(t_, p + d)) return out = v_(t_, p + d), true;
  }
  return false;
}

// The track's direction on the page around `metri`, as a unit vector.
Punto Pianta::direzione(double metri) const {
  Punto a{}, b{};
  if (!punto(metri - 30, a) || !punto(metri + 30, b)) return {0, -1};
  const double dx = b.x - a.x, dy = b.y - a.y, l = std::hypot(dx, dy);
  if (!(l > 1e-9)) return {0, -1};
  return {dx / l, dy / l};
}

// A label near (x, y), clear of the others: beside the point first, then
// further off with a leader line. A label that must be shown and finds no
// clear place goes beside the point all the same.
void Pianta::etichetta(double x, double y, double raggio, const std::string& testo, std::string_view classe,
                       double corpo, bool obbligatoria) {
  static constexpr Punto direzioni[] = {{1, 0}, {-1, 0}, {0, -1}, {0, 1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
  const double w = larghezza_testo(caratteri(testo), corpo);
  for (int giro = 0; giro < 4; ++giro) {
    const double d = raggio + 3 + giro * 16;
    for (const Punto& dir : direzioni) {
      const double ax = x + dir.x * d, ay = y + dir.y * d;
      const double base = dir.y < 0 ? ay - 2 : dir.y > 0 ? ay + corpo * 0.8 : ay + corpo * 0.35;
      const double x0 = dir.x > 0 ? ax : dir.x < 0 ? ax - w : ax - w / 2;
      const Riquadro r{x0 - 1, base - corpo * 0.85, x0 + w + 1, base + corpo * 0.25};
      const bool ultima_scelta = obbligatoria && giro == 3 && &dir == &direzioni[7];
      if (!etichette_.prendi(r)) {
        if (!ultima_scelta) continue;
        etichette_.occupa(r);
      }
      if (giro > 0)
        doc_.elemento("path", "class=\"leader\" d=\"M" + num(x) + " " + num(y) + " L" + num(ax) + " " +
                                  num(ay) + "\"");
      doc_.testo("class=\"" + std::string(classe) + " halo\" x=\"" + num(x0) + "\" y=\"" + num(base) + "\"",
                 testo);
      return;
    }
  }
}

// The north arrow in the top right corner, a scale bar in the bottom left;
// labels keep clear of both.
void Pianta::rosa_e_scala(double x0, double y0, double x1, double y1) {
  const double nx = x1 - 30, ny = y0 + 18;
  doc_.testo("class=\"north-label\" x=\"" + num(nx) + "\" y=\"" + num(ny + 10) + "\" text-anchor=\"middle\"", "N");
  doc_.elemento("path", "class=\"north\" d=\"M" + num(nx) + " " + num(ny + 14) + " l8 26 l-8 -7 l-8 7 Z\"");
  etichette_.occupa({nx - 14, y0, x1, ny + 44});

  // The longest 1, 2 or 5 x 10^k metres that fits in about 160 pixels.
  const double bersaglio = 160 / v_.scala;
  double lungo = std::pow(10.0, std::floor(std::log10(bersaglio)));
  for (double f : {5.0, 2.0})
    if (lungo * f <= bersaglio) {
      lungo *= f;
      break;
    }
  const double px = lungo * v_.scala, sx = x0 + 16, sy = y1 - 16;
  doc_.elemento("path", "class=\"scale-bar\" d=\"M" + num(sx) + " " + num(sy - 5) + " v5 h" + num(px) + " v-5\"");
  const std::string testo = lungo >= 1000 ? num(lungo / 1000, 3) + " km" : num(lungo, 3) + " m";
  doc_.testo("class=\"small\" x=\"" + num(sx + px / 2) + "\" y=\"" + num(sy - 8) + "\" text-anchor=\"middle\"",
             testo);
  etichette_.occupa({sx - 4, sy - 22, sx + std::max(px, 60.0) + 4, y1});
}

double Pianta::disegna(double y) {
  const double x0 = margine, x1 = larghezza_pagina - margine;
  doc_.apri_gruppo("plan");
  if (t_.punti() == 0 || s_.da > static_cast<double>(t_.punti() - 1)) {
    doc_.testo("x=\"" + num(x0) + "\" y=\"" + num(y + 20) + "\"", "no plan points in this stretch");
    doc_.chiudi_gruppo();
    return 40;
  }
  primo_ = static_cast<std::size_t>(std::ceil(s_.da));
  ultimo_ = std::min(static_cast<std::size_t>(std::floor(s_.a)), t_.punti() - 1);

  double min_x = std::numeric_limits<double>::infinity(), max_x = -min_x, min_y = min_x, max_y = -min_x;
  double percorso = 0;  // the track's length in plan units
  for (std::size_t p = primo_; p <= ultimo_; ++p) {
    if (!utilizzabile(t_, p)) continue;
    min_x = std::min(min_x, t_.valore(p, 0));
    max_x = std::max(max_x, t_.valore(p, 0));
    min_y = std::min(min_y, t_.valore(p, 1));
    max_y = std::max(max_y, t_.valore(p, 1));
    if (p > primo_ && utilizzabile(t_, p - 1))
      percorso += std::hypot(t_.valore(p, 0) - t_.valore(p - 1, 0), t_.valore(p, 1) - t_.valore(p - 1, 1));
  }
  const double w = max_x - min_x, h = max_y - min_y;
  if (!std::isfinite(w) || !std::isfinite(h)) {
    doc_.testo("x=\"" + num(x0) + "\" y=\"" + num(y + 20) + "\"",
               "the compiled line file has no point in this stretch that can be drawn");
    doc_.chiudi_gruppo();
    return 40;
  }
  const double spazio_w = x1 - x0 - 2 * bordo, spazio_h = altezza_massima - 2 * bordo;
  const double inf = std::numeric_limits<double>::infinity();
  double scala = std::min(w > 0 ? spazio_w / w : inf, h > 0 ? spazio_h / h : inf);
  if (!(scala < inf)) scala = 1;  // a single point
  const double alt = std::max(h * scala + 2 * bordo, 240.0);
  v_ = {min_x, max_y, scala, x0 + (x1 - x0 - w * scala) / 2, y + (alt - h * scala) / 2};
  const double y1 = y + alt;

  doc_.elemento("rect", "class=\"frame\" x=\"" + num(x0) + "\" y=\"" + num(y) + "\" width=\"" + num(x1 - x0) +
                            "\" height=\"" + num(alt) + "\"");
  doc_.testo("class=\"panel-title\" x=\"" + num(x0 + 8) + "\" y=\"" + num(y + 16) + "\"",
             "plan of the line, north up");
  etichette_ = Etichette({x0 + 2, y + 2, x1 - 2, y1 - 2});
  etichette_.occupa({x0, y, x0 + 190, y + 22});
  rosa_e_scala(x0, y, x1, y1);

  // One point per pixel along the track is all the screen can show. A
  // track that winds over itself many times would still need millions of
  // them: then the step grows so that at most some 30,000 points are kept.
  constexpr double punti_massimi = 30000;
  const double passo_px = std::isfinite(percorso) ? std::max(1.0, percorso * scala / punti_massimi) : 1.0;
  svg::TracciaSfoltita traccia(passo_px);
  for (std::size_t p = primo_; p <= ultimo_; ++p) {
    if (utilizzabile(t_, p)) traccia.aggiungi(v_(t_, p));
    else traccia.interrompi();
  }
  std::string d;
  for (const auto& tratto : traccia.finisci()) d += (d.empty() ? "" : " ") + svg::polilinea(tratto);
  doc_.apri_gruppo("plan-track");
  doc_.elemento("path", "class=\"track\" d=\"" + d + "\"");
  doc_.chiudi_gruppo();

  // Kilometre ticks across the track.
  struct Tacca {
    Punto p, n;
    std::string testo;
  };
  std::vector<Tacca> tacche;
  const double passo = s_.passo_km * 1000;
  for (double k = std::ceil(s_.da / passo); k * passo <= s_.a; ++k) {
    Punto p{};
    if (!punto(k * passo, p)) continue;
    const Punto dir = direzione(k * passo);
    tacche.push_back({p, {-dir.y, dir.x}, s_.km(k * passo) + " km"});
  }
  doc_.apri_gruppo("plan-km");
  for (const Tacca& t : tacche)
    doc_.elemento("path", "class=\"km-tick\" d=\"M" + num(t.p.x - 6 * t.n.x) + " " + num(t.p.y - 6 * t.n.y) +
                              " L" + num(t.p.x + 6 * t.n.x) + " " + num(t.p.y + 6 * t.n.y) + "\"");
  doc_.chiudi_gruppo();

  // Markers first, then their labels, most important first.
  struct Nome {
    Punto p;
    double raggio;
    std::string testo, classe;
    bool obbligatoria;
  };
  std::vector<Nome> nomi;
  doc_.apri_gruppo("plan-ends");
  Punto p{};
  if (s_.da == 0 && punto(0, p)) {
    doc_.elemento("circle", "class=\"start\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"7\"",
                  "start of the line, km 0");
    nomi.push_back({p, 7, "start", "end-label", true});
  }
  const double fine = s_.lunghezza;
  if (s_.dentro(fine) && punto(fine, p)) {
    doc_.elemento("rect", "class=\"end\" x=\"" + num(p.x - 6) + "\" y=\"" + num(p.y - 6) +
                              "\" width=\"12\" height=\"12\"",
                  "end of the route, " + km_esatto(fine));
    nomi.push_back({p, 7, "end", "end-label", true});
  }
  for (double m : {s_.da, s_.a}) {
    if (!s_.zoom || m == 0 || m == fine || !punto(m, p)) continue;
    doc_.elemento("circle", "class=\"stretch-end\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"5\"",
                  "end of the stretch shown, " + km_esatto(m));
    nomi.push_back({p, 5, svg::nostro(km_esatto(m)), "end-label", true});
  }
  doc_.chiudi_gruppo();

  doc_.apri_gruppo("plan-stations");
  for (const Stazione& st : s_.stazioni) {
    if (!s_.dentro(st.posizione) || !punto(st.posizione, p)) continue;
    doc_.elemento("circle", "class=\"plan-station\" cx=\"" + num(p.x) + "\" cy=\"" + num(p.y) + "\" r=\"4.5\"",
                  st.nome + ", " + km_esatto(st.posizione) + ", type " + std::to_string(st.tipo));
    nomi.push_back({p, 5, st.nome, "station-name", true});
  }
  doc_.chiudi_gruppo();
  doc_.apri_gruppo("plan-labels");
  // No label covers a marker, its own or another's.
  for (const Nome& n : nomi) etichette_.occupa({n.p.x - n.raggio, n.p.y - n.raggio, n.p.x + n.raggio, n.p.y + n.raggio});
  for (const Nome& n : nomi) etichetta(n.p.x, n.p.y, n.raggio, n.testo, n.classe, corpo_nome, n.obbligatoria);
  doc_.chiudi_gruppo();

  // Kilometre labels last: they give way to everything else.
  doc_.apri_gruppo("plan-km-labels");
  for (const Tacca& t : tacche) etichetta(t.p.x, t.p.y, 6, t.testo, "km-label", corpo_km, false);
  doc_.chiudi_gruppo();

  doc_.chiudi_gruppo();
  return alt;
}

}  // namespace

double disegna_pianta(svg::Documento& doc, const Scena& s, double y) { return Pianta(doc, s).disegna(y); }

}  // namespace scenarioc::render
