// What the parts of the picture share: the stretch shown, the stations, the
// page's geometry, the marks of the cell kinds and the placing of labels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/line.h"
#include "render/svg.h"

namespace scenarioc::render {

inline constexpr double larghezza_pagina = 1600;
inline constexpr double margine = 20;          // around the plan
inline constexpr double asse_sinistra = 120;   // profiles: where the kilometre axis starts
inline constexpr double asse_destra = larghezza_pagina - 110;

struct Stazione {
  int voce;                  // route entry
  std::int32_t posizione;    // metres (dato3)
  std::uint8_t tipo;
  std::string nome;          // escaped for the document
};

struct Scena {
  const LineaCompilata& linea;
  std::int32_t lunghezza;    // route length, metres
  double da, a;              // the stretch shown, metres
  std::vector<Stazione> stazioni;
  double passo_km;           // between kilometre ticks
  bool zoom;                 // a part of the line, not all of it
  bool suggerimenti;         // marks carry tooltips (not when there are very many)

  bool dentro(double metri) const { return metri >= da && metri <= a; }
  // Cell c stands for the 50 m ending at c x 50 m; its marks stand at its
  // middle, those of cell 0 (before the line) at its start.
  static double mezzo_cella(std::size_t c) { return c == 0 ? 0.0 : (static_cast<double>(c) - 0.5) * 50.0; }
  bool cella_visibile(std::size_t c) const { return dentro(mezzo_cella(c)); }
  // The profiles' x for a position in metres.
  double x(double metri) const { return asse_sinistra + (metri - da) / (a - da) * (asse_destra - asse_sinistra); }
  // A kilometre value as the axis writes it.
  std::string km(double metri) const;
};

// "km 12.35": position for tooltips, to the metre.
std::string km_esatto(double metri);

// The marks of the cell kinds, each one element with the kind's class; the
// legend draws the same shapes with "key-" classes so that marks can be
// counted by class.
enum class Segno {
  segnale,
  fine_rallentamento,
  inizio_rallentamento,
  avviso_rallentamento,
  preavviso_rallentamento,
  abbattimento_con_valore,
  abbattimento,
  cartello,
  fermata,
  indicatore_v_max,
};

struct DescrizioneSegno {
  Segno segno;
  std::string_view classe;
  std::string_view etichetta;  // for the legend
};

const std::vector<DescrizioneSegno>& segni();
// The cell kind's mark; false for kinds without one (empty, mountain marker, unknown).
bool segno_di(std::uint8_t tipo_cella, Segno& s);
// The outlines the marks refer to, for the document's head.
std::string definizioni_segni();
// One mark centred at (x, y); `titolo` (escaped) becomes its tooltip. The
// feature strip puts its lanes' y into their groups and passes y = 0.
void disegna_segno(svg::Documento& doc, Segno s, double x, double y, std::string_view titolo,
                   bool legenda = false);
// What a cell holds, in words, for its mark's tooltip (escaped).
std::string descrivi_cella(const Scena& s, std::size_t c);

// Labels that must not cover each other: boxes already taken.
struct Riquadro {
  double x0, y0, x1, y1;
};
inline double larghezza_testo(std::size_t caratteri, double corpo) {
  return static_cast<double>(caratteri) * corpo * 0.6;
}
// The number of characters a document text shows (entities count as one).
std::size_t caratteri(std::string_view escaped_utf8);

class Etichette {
 public:
  explicit Etichette(Riquadro area) : area_(area) {}
  // Whether `r` lies in the area and clear of every box taken; takes it if so.
  bool prendi(const Riquadro& r);
  void occupa(const Riquadro& r) { presi_.push_back(r); }

 private:
  Riquadro area_;
  std::vector<Riquadro> presi_;
};

// The parts of the page. Each draws from the top `y` down and returns the
// height it took.
double disegna_pianta(svg::Documento& doc, const Scena& s, double y);
double disegna_profili(svg::Documento& doc, const Scena& s, double y);

}  // namespace scenarioc::render
