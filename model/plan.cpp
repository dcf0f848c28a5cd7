#include "model/plan.h"

namespace scenario {

void Tracciato::crea(std::int32_t ultimo_punto) {
  const auto n = static_cast<std::size_t>(ultimo_punto) + 1;
  for (int c = 0; c < 2; ++c) {
    tipi_[c].assign(n, Tipo::vuoto);
    valori_[c].reset(new double[n]);
  }
}

}  // namespace scenario
