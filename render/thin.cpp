#include "render/thin.h"

#include <cmath>
#include <utility>

namespace scenarioc::svg {

void TracciaSfoltita::aggiungi(Punto p) {
  if (corrente_.empty()) {
    corrente_.push_back(p);
    in_sospeso_ = false;
    return;
  }
  const Punto& k = corrente_.back();
  const double dx = p.x - k.x, dy = p.y - k.y;
  if (dx * dx + dy * dy >= passo2_) {
    corrente_.push_back(p);
    in_sospeso_ = false;
  } else {
    ultimo_ = p;
    in_sospeso_ = true;
  }
}

void TracciaSfoltita::interrompi() {
  if (in_sospeso_) corrente_.push_back(ultimo_);
  in_sospeso_ = false;
  if (corrente_.size() >= 2) tratti_.push_back(std::move(corrente_));
  corrente_.clear();
}

std::vector<std::vector<Punto>> TracciaSfoltita::finisci() {
  interrompi();
  return std::move(tratti_);
}

void SerieSfoltita::aggiungi(Punto p) {
  const double colonna = std::floor(p.x);
  if (colonna_aperta_ && colonna == colonna_) {
    if (p.y < minimo_.y) {
      minimo_ = p;
      minimo_prima_ = false;
    }
    if (p.y > massimo_.y) {
      massimo_ = p;
      minimo_prima_ = true;
    }
    ultimo_ = p;
    return;
  }
  svuota_colonna();
  colonna_aperta_ = true;
  colonna_ = colonna;
  primo_ = minimo_ = massimo_ = ultimo_ = p;
  minimo_prima_ = true;
}

void SerieSfoltita::svuota_colonna() {
  if (!colonna_aperta_) return;
  emetti(primo_);
  // The extreme met last is emitted last, so the path goes where the data went.
  if (minimo_prima_) {
    emetti(minimo_);
    emetti(massimo_);
  } else {
    emetti(massimo_);
    emetti(minimo_);
  }
  emetti(ultimo_);
  colonna_aperta_ = false;
}

void SerieSfoltita::emetti(Punto p) {
  const std::size_t n = out_.size();
  if (n > 0 && out_[n - 1].x == p.x && out_[n - 1].y == p.y) return;
  // Three in a row on one level, or going one way on one vertical: the
  // middle one says nothing.
  if (n >= 2) {
    const Punto& a = out_[n - 2];
    const Punto& b = out_[n - 1];
    const bool livello = a.y == b.y && b.y == p.y;
    const bool verticale = a.x == b.x && b.x == p.x && (b.y - a.y) * (p.y - b.y) >= 0;
    if (livello || verticale) {
      out_[n - 1] = p;
      return;
    }
  }
  out_.push_back(p);
}

std::vector<Punto> SerieSfoltita::finisci() {
  svuota_colonna();
  return std::move(out_);
}

}  // namespace scenarioc::svg
