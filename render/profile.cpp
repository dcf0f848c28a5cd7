// The profiles along one kilometre axis, from the cell file: elevation and
// gradient, the train's speed limit with the speed boards, adhesion, and a
// strip of the features the cells hold. Every cell-based curve is thinned
// to at most four points per pixel column.
#include <algorithm>
#include <cmath>
#include <string>

#include "render/scene.h"
#include "render/thin.h"

namespace scenarioc::render {
namespace {

using scenario::cella;
using svg::num;
using svg::Punto;
namespace tipo = scenario::tipo;

constexpr double banda_nomi = 130;  // station names, slanted
constexpr double spazio = 22;       // between panels, room for their titles
constexpr double corsia = 20;       // one lane of the feature strip
const std::string permille = "\xE2\x80\xB0";

// Round steps for axes: 1, 2 or 5 x 10^k, the first giving at most `tacche` intervals.
double passo_tondo(double ampiezza, int tacche) {
  if (!(ampiezza > 0) || !std::isfinite(ampiezza)) return 1;
  double p = std::pow(10.0, std::floor(std::log10(ampiezza / tacche)));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (ampiezza / (p * f) <= tacche) return p * f;
  return p * 10;
}

struct Pannello {
  std::string id, titolo;
  double alto = 0, altezza = 0;
  double vmin = 0, vmax = 1, passo = 1;

  // A range that shows [lo, hi] with round ends.
  void scala(double lo, double hi, int tacche) {
    if (!(hi > lo)) {
      lo -= 1;
      hi += 1;
    }
    passo = passo_tondo(hi - lo, tacche);
    vmin = std::floor(lo / passo) * passo;
    vmax = std::ceil(hi / passo) * passo;
    if (!(vmax > vmin)) vmax = vmin + passo;
  }
  double y(double v) const {
    return alto + altezza - (std::clamp(v, vmin, vmax) - vmin) / (vmax - vmin) * altezza;
  }
  double basso() const { return alto + altezza; }
};

std::string linea(double x0, double y0, double x1, double y1, std::string_view classe) {
  return "class=\"" + std::string(classe) + "\" d=\"M" + num(x0) + " " + num(y0) + " L" + num(x1) + " " +
         num(y1) + "\"";
}

// A closed area between a curve and the level `base`.
std::string area(const std::vector<Punto>& punti, double base) {
  if (punti.empty()) return "";
  std::string d = "M" + num(punti.front().x) + " " + num(base) + " L";
  for (const Punto& p : punti) d += num(p.x) + " " + num(p.y) + " ";
  return d + num(punti.back().x) + " " + num(base) + " Z";
}

class Profili {
 public:
  Profili(svg::Documento& doc, const Scena& s) : doc_(doc), s_(s), celle_(s.linea.celle) {}
  double disegna(double y);

 private:
  // Calls f(c, from, to) for every cell overlapping the stretch, with the
  // part of its 50 m that lies in it.
  template <typename F>
  void per_cella(F f) const {
    for (std::size_t c = 1; c < celle_.size(); ++c) {
      const double fine = static_cast<double>(c) * 50.0;
      const double da = std::max(fine - 50.0, s_.da), a = std::min(fine, s_.a);
      if (a > da) f(c, da, a);
    }
  }
  std::vector<Punto> gradino(double (*valore)(const cella&)) const;
  void cornice(const Pannello& p);
  void griglia(const Pannello& p, int decimali);
  void nomi_stazioni(double y);
  void altimetria(const Pannello& p);
  void pendenza(const Pannello& p);
  void velocita(const Pannello& p, const std::vector<Punto>& limite);
  void caratteristiche(double y);
  void montagne(double cy);
  void asse_km(double y);

  svg::Documento& doc_;
  const Scena& s_;
  const std::vector<cella>& celle_;
  std::vector<Punto> quote_;  // elevation at the stretch's cell boundaries (x in metres)
};

double pendenza_di(const cella& c) { return static_cast<double>(c.codice_pendenza) - 100.0; }
double velocita_di(const cella& c) { return static_cast<double>(c.vel_limite) * 5.0; }
double aderenza_di(const cella& c) { return static_cast<double>(c.aderenza); }

// A cell value as steps along the stretch (x in metres).
std::vector<Punto> Profili::gradino(double (*valore)(const cella&)) const {
  std::vector<Punto> metri;
  per_cella([&](std::size_t c, double da, double a) {
    const double v = valore(celle_[c]);
    metri.push_back({da, v});
    metri.push_back({a, v});
  });
  return metri;
}

void Profili::cornice(const Pannello& p) {
  doc_.elemento("rect", "class=\"frame\" x=\"" + num(asse_sinistra) + "\" y=\"" + num(p.alto) + "\" width=\"" +
                            num(asse_destra - asse_sinistra) + "\" height=\"" + num(p.altezza) + "\"");
}

// The panel's value ticks, the kilometre grid through it, and its title.
void Profili::griglia(const Pannello& p, int decimali) {
  for (double v = p.vmin; v <= p.vmax + p.passo / 1000; v += p.passo) {
    const double y = p.y(v);
    doc_.elemento("path", linea(asse_sinistra, y, asse_destra, y, std::abs(v) < p.passo / 1000 ? "zero" : "grid"));
    doc_.testo("class=\"tick-label\" x=\"" + num(asse_sinistra - 5) + "\" y=\"" + num(y + 3.5) +
                   "\" text-anchor=\"end\"",
               num(v, decimali));
  }
  const double passo = s_.passo_km * 1000;
  for (double k = std::ceil(s_.da / passo); k * passo <= s_.a; ++k) {
    const double x = s_.x(k * passo);
    doc_.elemento("path", linea(x, p.alto, x, p.basso(), "grid"));
  }
  // Above the frame, where no curve can run through it.
  doc_.testo("class=\"panel-title\" x=\"" + num(asse_sinistra) + "\" y=\"" + num(p.alto - 5) + "\"",
             svg::nostro(p.titolo));
}

void Profili::nomi_stazioni(double y) {
  doc_.apri_gruppo("profile-stations");
  const double base = y + banda_nomi - 22;  // clear of the first panel's title
  double ultimo_x = -1e9;
  for (const Stazione& st : s_.stazioni) {
    if (!s_.dentro(st.posizione)) continue;
    const double x = s_.x(st.posizione);
    doc_.elemento("path", linea(x, base + 2, x, y + banda_nomi, "guide-tick"));
    // Slanted names need about 14 px between them; a closer one stays in the plan.
    if (x - ultimo_x < 14) continue;
    ultimo_x = x;
    doc_.testo("class=\"station-name-slanted halo\" x=\"" + num(x + 2) + "\" y=\"" + num(base) +
                   "\" transform=\"rotate(-40 " + num(x + 2) + " " + num(base) + ")\"",
               st.nome);
  }
  doc_.chiudi_gruppo();
}

void Profili::altimetria(const Pannello& p) {
  svg::SerieSfoltita serie;
  for (const Punto& q : quote_) serie.aggiungi({s_.x(q.x), p.y(q.y)});
  const std::vector<Punto> punti = serie.finisci();
  doc_.apri_gruppo("elevation");
  doc_.elemento("path", "class=\"elevation-area\" d=\"" + area(punti, p.basso()) + "\"");
  doc_.elemento("path", "class=\"elevation\" d=\"" + svg::polilinea(punti) + "\"");
  doc_.chiudi_gruppo();
}

void Profili::pendenza(const Pannello& p) {
  svg::SerieSfoltita su, giu;
  per_cella([&](std::size_t c, double da, double a) {
    const double g = pendenza_di(celle_[c]);
    for (double m : {da, a}) {
      su.aggiungi({s_.x(m), p.y(std::max(g, 0.0))});
      giu.aggiungi({s_.x(m), p.y(std::min(g, 0.0))});
    }
  });
  doc_.apri_gruppo("gradient");
  doc_.elemento("path", "class=\"gradient-up\" d=\"" + area(su.finisci(), p.y(0)) + "\"");
  doc_.elemento("path", "class=\"gradient-down\" d=\"" + area(giu.finisci(), p.y(0)) + "\"");
  // Each run of one gradient named where it is wide enough for its number.
  double inizio = s_.da, valore = 0;
  bool aperta = false;
  auto scrivi = [&](double fine) {
    const std::string t = num(valore, 0) + permille;
    const double x0 = s_.x(inizio), x1 = s_.x(fine);
    if (x1 - x0 < larghezza_testo(caratteri(t), 10) + 6 || valore == 0) return;
    const double y = valore > 0 ? p.y(valore) - 3 : p.y(valore) + 11;
    doc_.testo("class=\"value-label halo\" x=\"" + num((x0 + x1) / 2) + "\" y=\"" + num(std::clamp(y, p.alto + 10, p.basso() - 2)) +
                   "\" text-anchor=\"middle\"",
               t);
  };
  per_cella([&](std::size_t c, double da, double) {
    const double g = pendenza_di(celle_[c]);
    if (aperta && g != valore) {
      scrivi(da);
      aperta = false;
    }
    if (!aperta) {
      inizio = da;
      valore = g;
      aperta = true;
    }
  });
  if (aperta) scrivi(s_.a);
  doc_.chiudi_gruppo();
}

void Profili::velocita(const Pannello& p, const std::vector<Punto>& limite) {
  svg::SerieSfoltita serie;
  for (const Punto& q : limite) serie.aggiungi({s_.x(q.x), p.y(q.y)});
  doc_.apri_gruppo("speed");
  doc_.elemento("path", "class=\"speed-limit\" d=\"" + svg::polilinea(serie.finisci()) + "\"");
  doc_.apri_gruppo("speed-boards");
  // Labels in up to three rows; one that finds no room is left to the tooltip.
  double fine_riga[3] = {-1e9, -1e9, -1e9};
  for (std::size_t c = 0; c < celle_.size(); ++c) {
    const cella& k = celle_[c];
    if (k.tipo_cella != tipo::indicatore_v_max || !s_.cella_visibile(c)) continue;
    const double x = s_.x(Scena::mezzo_cella(c));
    const double v = k.valore_a >= 0 ? k.valore_a / 100 * 5 : 0;
    const double y = std::clamp(p.y(v), p.alto + 6, p.basso() - 6);
    disegna_segno(doc_, Segno::indicatore_v_max, x, y, s_.suggerimenti ? descrivi_cella(s_, c) : "");
    auto s = [](std::int16_t code) { return code >= 0 ? std::to_string(code / 100 * 5) : std::string("?"); };
    const std::string t = s(k.valore_a) + "/" + s(k.valore_b) + "/" + s(k.valore_c);
    const double w = larghezza_testo(t.size(), 9);
    for (int r = 0; r < 3; ++r) {
      if (x - w / 2 < fine_riga[r] + 4) continue;
      fine_riga[r] = x + w / 2;
      const double ty = std::max(y - 9 - r * 10.0, p.alto + 9);
      doc_.testo("class=\"board-label halo\" x=\"" + num(x) + "\" y=\"" + num(ty) + "\" text-anchor=\"middle\"", t);
      break;
    }
  }
  doc_.chiudi_gruppo();
  doc_.chiudi_gruppo();
}

void Profili::caratteristiche(double y) {
  struct Corsia {
    std::string_view id, nome;
  };
  static constexpr Corsia corsie[] = {{"signals", "signals"},         {"slowdowns", "slowdowns"},
                                      {"abbattimento", "abbattimento"}, {"mountains", "mountains"},
                                      {"text-boards", "text boards"},   {"stations", "station stops"}};
  auto corsia_di = [](std::uint8_t t) -> int {
    switch (t) {
      case tipo::segnale: return 0;
      case tipo::fine_rallentamento:
      case tipo::inizio_rallentamento:
      case tipo::avviso_rallentamento:
      case tipo::preavviso_rallentamento: return 1;
      case tipo::abbattimento_con_valore:
      case tipo::abbattimento: return 2;
      case tipo::cartello: return 4;
      case tipo::fermata: return 5;
      default: return -1;
    }
  };
  doc_.apri_gruppo("features");
  for (std::size_t i = 0; i < std::size(corsie); ++i) {
    const double cy = y + corsia * (static_cast<double>(i) + 0.5);
    doc_.testo("class=\"lane-label\" x=\"" + num(asse_sinistra - 8) + "\" y=\"" + num(cy + 4) +
                   "\" text-anchor=\"end\"",
               svg::nostro(corsie[i].nome));
    doc_.elemento("path", linea(asse_sinistra, cy, asse_destra, cy, "lane"));
  }
  for (std::size_t i = 0; i < std::size(corsie); ++i) {
    const double cy = y + corsia * (static_cast<double>(i) + 0.5);
    doc_.apri_gruppo(corsie[i].id, "transform=\"translate(0 " + num(cy) + ")\"");
    if (i == 3) {
      montagne(0);
    } else {
      for (std::size_t c = 0; c < celle_.size(); ++c) {
        Segno segno{};
        if (corsia_di(celle_[c].tipo_cella) != static_cast<int>(i) || !s_.cella_visibile(c) ||
            !segno_di(celle_[c].tipo_cella, segno))
          continue;
        disegna_segno(doc_, segno, s_.x(Scena::mezzo_cella(c)), 0, s_.suggerimenti ? descrivi_cella(s_, c) : "");
      }
    }
    doc_.chiudi_gruppo();
  }
  doc_.chiudi_gruppo();
}

// Mountains are spans: runs of cells with one mountain type. Runs that
// meet within a pixel are drawn as one span, so a type changing from cell
// to cell cannot fill the document.
void Profili::montagne(double cy) {
  struct Tratto {
    double x0, x1, da, a;
    std::string tipi;
  };
  std::vector<Tratto> tratti;
  std::size_t c = 1;
  while (c < celle_.size()) {
    const std::uint8_t m = celle_[c].codice_montagna;
    std::size_t fine = c;
    while (fine + 1 < celle_.size() && celle_[fine + 1].codice_montagna == m) ++fine;
    const double da = std::max(static_cast<double>(c - 1) * 50.0, s_.da);
    const double a = std::min(static_cast<double>(fine) * 50.0, s_.a);
    c = fine + 1;
    if (m == 0 || a <= da) continue;
    const double x0 = s_.x(da), x1 = std::max(s_.x(a), x0 + 1.5);
    const std::string tipo = std::to_string(m);
    if (!tratti.empty() && x0 - tratti.back().x1 < 1) {
      Tratto& t = tratti.back();
      t.x1 = std::max(t.x1, x1);
      t.a = a;
      if (t.tipi != tipo) t.tipi = "mixed";
      continue;
    }
    tratti.push_back({x0, x1, da, a, tipo});
  }
  for (const Tratto& t : tratti) {
    const double w = t.x1 - t.x0;
    doc_.elemento("rect",
                  "class=\"mountain\" x=\"" + num(t.x0) + "\" y=\"" + num(cy - 6) + "\" width=\"" + num(w) +
                      "\" height=\"12\"",
                  s_.suggerimenti ? svg::nostro("mountain type " + t.tipi + ", " + km_esatto(t.da) + " to " +
                                                km_esatto(t.a))
                                  : "");
    if (w > 20 && t.tipi != "mixed")
      doc_.testo("class=\"mountain-label\" x=\"" + num(t.x0 + w / 2) + "\" y=\"" + num(cy + 3.5) +
                     "\" text-anchor=\"middle\"",
                 t.tipi);
  }
}

void Profili::asse_km(double y) {
  doc_.apri_gruppo("km-axis");
  doc_.elemento("path", linea(asse_sinistra, y, asse_destra, y, "axis"));
  const double passo = s_.passo_km * 1000;
  for (double k = std::ceil(s_.da / passo); k * passo <= s_.a; ++k) {
    const double x = s_.x(k * passo);
    doc_.elemento("path", linea(x, y, x, y + 5, "axis"));
    doc_.testo("class=\"tick-label\" x=\"" + num(x) + "\" y=\"" + num(y + 17) + "\" text-anchor=\"middle\"",
               s_.km(k * passo));
  }
  doc_.testo("class=\"unit\" x=\"" + num(asse_destra + 10) + "\" y=\"" + num(y + 17) + "\"", "km");
  doc_.chiudi_gruppo();
}

double Profili::disegna(double y0) {
  // The elevation integrates the gradient from the start of the line, so a
  // stretch shows the same heights as the whole line: each 50 m cell climbs
  // its gradient (per mille) times 50 m.
  double quota = 0, lo = 0, hi = 0;
  bool prima = true;
  for (std::size_t c = 1; c < celle_.size(); ++c) {
    const double inizio = static_cast<double>(c - 1) * 50.0, fine = inizio + 50.0;
    const double salita = pendenza_di(celle_[c]) * 0.05;
    const double da = std::max(inizio, s_.da), a = std::min(fine, s_.a);
    if (a > da) {
      for (double m : {da, a}) {
        const double q = quota + salita * (m - inizio) / 50.0;
        if (quote_.empty() || quote_.back().x != m) quote_.push_back({m, q});
        lo = prima ? q : std::min(lo, q);
        hi = prima ? q : std::max(hi, q);
        prima = false;
      }
    }
    quota += salita;
    if (inizio >= s_.a) break;
  }

  Pannello alt{"elevation", "elevation (m), from the gradients, 0 at the start"};
  Pannello pen{"gradient", "gradient (" + permille + "), uphill red, downhill blue"};
  Pannello vel{"speed", "speed limit of the train (km/h, red) and speed boards (A/B/C speeds)"};
  Pannello ade{"adhesion", "adhesion"};
  const std::vector<Punto> limite = gradino(velocita_di);
  const std::vector<Punto> aderenze = gradino(aderenza_di);
  double gmax = 1, vmax = 0, amax = 100;
  per_cella([&](std::size_t c, double, double) {
    gmax = std::max(gmax, std::abs(pendenza_di(celle_[c])));
    vmax = std::max(vmax, velocita_di(celle_[c]));
    amax = std::max(amax, aderenza_di(celle_[c]));
  });
  for (std::size_t c = 0; c < celle_.size(); ++c)
    if (celle_[c].tipo_cella == tipo::indicatore_v_max && s_.cella_visibile(c) && celle_[c].valore_a > 0)
      vmax = std::max(vmax, static_cast<double>(celle_[c].valore_a / 100 * 5));
  alt.scala(lo, hi, 4);
  pen.scala(-gmax, gmax, 4);
  vel.scala(0, std::max(vmax, 20.0) * 1.3, 4);  // room for the boards' labels
  ade.scala(0, amax, 2);

  double y = y0 + banda_nomi;
  for (Pannello* p : {&alt, &pen, &vel, &ade}) {
    p->alto = y;
    p->altezza = p == &alt ? 130 : p == &pen ? 110 : p == &vel ? 150 : 64;
    y += p->altezza + spazio;
  }
  const double strip = y, fine_strip = y + corsia * 6;

  doc_.apri_gruppo("profiles");
  doc_.apri_gruppo("profile-frames");
  for (const Pannello* p : {&alt, &pen, &vel, &ade}) cornice(*p);
  doc_.elemento("rect", "class=\"frame\" x=\"" + num(asse_sinistra) + "\" y=\"" + num(strip) + "\" width=\"" +
                            num(asse_destra - asse_sinistra) + "\" height=\"" + num(fine_strip - strip) + "\"");
  // Station positions through every panel.
  for (const Stazione& st : s_.stazioni) {
    if (!s_.dentro(st.posizione)) continue;
    const double x = s_.x(st.posizione);
    doc_.elemento("path", linea(x, y0 + banda_nomi, x, fine_strip, "guide"));
  }
  griglia(alt, 1);
  griglia(pen, 0);
  griglia(vel, 0);
  griglia(ade, 0);
  doc_.chiudi_gruppo();

  nomi_stazioni(y0);
  altimetria(alt);
  pendenza(pen);
  velocita(vel, limite);
  {
    svg::SerieSfoltita serie;
    for (const Punto& q : aderenze) serie.aggiungi({s_.x(q.x), ade.y(q.y)});
    doc_.apri_gruppo("adhesion");
    doc_.elemento("path", "class=\"adhesion\" d=\"" + svg::polilinea(serie.finisci()) + "\"");
    doc_.chiudi_gruppo();
  }
  caratteristiche(strip);
  asse_km(fine_strip + 4);
  doc_.chiudi_gruppo();
  return fine_strip + 26 - y0;
}

}  // namespace

double disegna_profili(svg::Documento& doc, const Scena& s, double y) { return Profili(doc, s).disegna(y); }

}  // namespace scenarioc::render
