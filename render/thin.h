// Thinning to the picture's resolution: a line of a million metres becomes
// a few thousand points that look the same on screen. Both thinners take
// points already in pixels, in order along the line, and keep memory to
// what they emit.
#pragma once

#include <vector>

#include "render/svg.h"

namespace scenarioc::svg {

// The plan: a point is kept when it lies at least `passo` pixels from the
// last kept one; the last point of each stretch is always kept. A gap (an
// empty or unusable point) ends a stretch and starts another.
class TracciaSfoltita {
 public:
  explicit TracciaSfoltita(double passo) : passo2_(passo * passo) {}
  void aggiungi(Punto p);
  void interrompi();
  // The stretches, each of at least two points.
  std::vector<std::vector<Punto>> finisci();

 private:
  double passo2_;
  std::vector<std::vector<Punto>> tratti_;
  std::vector<Punto> corrente_;
  Punto ultimo_{};
  bool in_sospeso_ = false;  // ultimo_ is a point not kept yet
};

// A profile along the kilometre axis: points with growing x, reduced to at
// most four per pixel column (first, lowest, highest, last, in the order
// met), and the inner points of level or vertical runs dropped. Steps and
// spikes narrower than a pixel stay visible.
class SerieSfoltita {
 public:
  void aggiungi(Punto p);
  std::vector<Punto> finisci();

 private:
  void svuota_colonna();
  void emetti(Punto p);

  std::vector<Punto> out_;
  bool colonna_aperta_ = false;
  double colonna_ = 0;
  Punto primo_{}, minimo_{}, massimo_{}, ultimo_{};
  bool minimo_prima_ = true;  // the lowest point came before the highest
};

}  // namespace scenarioc::svg
