// The line plan `tracciato`: two coordinates per metre, each element empty,
// a 16-bit integer or a double, and knowing which. Stored as one kind array
// and one value array per coordinate, so a million points cost 18 MB rather
// than the 32 MB of a tagged struct.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace scenario {

class Tracciato {
 public:
  // The kinds double as the tags of the compiled line file.
  enum class Tipo : std::uint8_t { vuoto = 0, intero = 2, reale = 5 };

  // Points 0 to ultimo_punto, every coordinate empty.
  void crea(std::int32_t ultimo_punto);
  bool esiste() const { return !tipi_[0].empty(); }
  // Number of points (ultimo_punto + 1), 0 when there is no plan.
  std::size_t punti() const { return tipi_[0].size(); }

  Tipo tipo(std::size_t punto, int coord) const { return tipi_[coord][punto]; }
  double valore(std::size_t punto, int coord) const { return valori_[coord][punto]; }

  void metti_intero(std::size_t punto, int coord, std::int16_t v) {
    tipi_[coord][punto] = Tipo::intero;
    valori_[coord][punto] = v;
  }
  void metti_reale(std::size_t punto, int coord, double v) {
    tipi_[coord][punto] = Tipo::reale;
    valori_[coord][punto] = v;
  }

 private:
  std::vector<Tipo> tipi_[2];
  // Values of empty elements are never read, so the storage is left
  // uninitialised: a million points skip 16 MB of zeroing.
  std::unique_ptr<double[]> valori_[2];
};

}  // namespace scenario
