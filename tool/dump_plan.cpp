// scenarioc dump of the compiled line file: its size in points, the kinds
// of its elements per coordinate, and the points at both ends.
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "tool/dump.h"
#include "tool/json.h"

namespace scenarioc {

using scenario::Tracciato;

namespace {

constexpr std::size_t punti_mostrati = 3;  // at each end of the plan

std::string reale(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, ec == std::errc{} ? end : buf);
}

std::string_view nome_elemento(Tracciato::Tipo t) {
  switch (t) {
    case Tracciato::Tipo::intero: return "integer";
    case Tracciato::Tipo::reale: return "real";
    default: return "empty";
  }
}

struct Conteggio {
  std::size_t vuoti = 0, interi = 0, reali = 0;
};

Conteggio conta(const Tracciato& t, int coord) {
  Conteggio n;
  for (std::size_t p = 0; p < t.punti(); ++p) {
    switch (t.tipo(p, coord)) {
      case Tracciato::Tipo::intero: ++n.interi; break;
      case Tracciato::Tipo::reale: ++n.reali; break;
      default: ++n.vuoti; break;
    }
  }
  return n;
}

// The first and the last few points, without repeating one.
std::vector<std::size_t> punti_da_mostrare(const Tracciato& t) {
  std::vector<std::size_t> punti;
  for (std::size_t p = 0; p < t.punti(); ++p)
    if (p < punti_mostrati || p + punti_mostrati >= t.punti()) punti.push_back(p);
  return punti;
}

std::string elemento_testo(const Tracciato& t, std::size_t p, int coord) {
  const Tracciato::Tipo k = t.tipo(p, coord);
  if (k == Tracciato::Tipo::vuoto) return "empty";
  return std::string(nome_elemento(k)) + " " + reale(t.valore(p, coord));
}

}  // namespace

std::string linea_testo(const std::string& nome, std::size_t dimensione, const Tracciato& t) {
  std::string out = "compiled line file " + nome + ": " + std::to_string(dimensione) + " bytes, " +
                    std::to_string(t.punti()) + " points (0 to " +
                    std::to_string(t.punti() - 1) + "), " + std::to_string(2 * t.punti()) +
                    " elements\n";
  for (int coord = 0; coord < 2; ++coord) {
    const Conteggio n = conta(t, coord);
    out += "coordinate " + std::to_string(coord) + ": " + std::to_string(n.interi) + " integer, " +
           std::to_string(n.reali) + " real, " + std::to_string(n.vuoti) + " empty\n";
  }
  std::size_t precedente = 0;
  for (std::size_t p : punti_da_mostrare(t)) {
    if (p > precedente + 1) out += "...\n";
    out += "point " + std::to_string(p) + ": " + elemento_testo(t, p, 0) + ", " +
           elemento_testo(t, p, 1) + "\n";
    precedente = p;
  }
  return out;
}

std::string linea_json(const std::string& nome, std::size_t dimensione, const Tracciato& t) {
  Json j;
  j.inizio_oggetto();
  j.chiave("file").as_typed(nome);
  j.chiave("file_type").testo("line");
  j.chiave("size").intero(static_cast<std::int64_t>(dimensione));
  j.chiave("points").intero(static_cast<std::int64_t>(t.punti()));
  j.chiave("coordinates").inizio_lista();
  for (int coord = 0; coord < 2; ++coord) {
    const Conteggio n = conta(t, coord);
    j.inizio_oggetto();
    j.chiave("integer").intero(static_cast<std::int64_t>(n.interi));
    j.chiave("real").intero(static_cast<std::int64_t>(n.reali));
    j.chiave("empty").intero(static_cast<std::int64_t>(n.vuoti));
    j.fine_oggetto();
  }
  j.fine_lista();
  j.chiave("shown_points").inizio_lista();
  for (std::size_t p : punti_da_mostrare(t)) {
    j.inizio_oggetto();
    j.chiave("point").intero(static_cast<std::int64_t>(p));
    j.chiave("elements").inizio_lista();
    for (int coord = 0; coord < 2; ++coord) {
      const Tracciato::Tipo k = t.tipo(p, coord);
      j.inizio_oggetto();
      j.chiave("tag").intero(static_cast<std::int64_t>(k));
      j.chiave("value");
      if (k == Tracciato::Tipo::vuoto) j.nullo(); else j.reale(t.valore(p, coord));
      j.fine_oggetto();
    }
    j.fine_lista();
    j.fine_oggetto();
  }
  j.fine_lista();
  j.fine_oggetto();
  return j.risultato();
}


}  // namespace scenarioc
