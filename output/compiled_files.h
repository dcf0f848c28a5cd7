// The three compiled files the simulator loads: plain little-endian images of
// the model's arrays, with no header of their own.
//   route file (.sim):        87 entries of 34 + text length bytes
//   cell file (.dat):         15 bytes per cell, cell 0 first
//   compiled line file:       every element of the plan as a 2-byte tag and
//                             its value, coordinate 0 of all points first
#pragma once

#include <string>

#include "byte_buffer.h"
#include "model.h"

namespace scenario {

inline constexpr std::size_t byte_per_cella = 15;
inline constexpr std::size_t byte_voce_vuota = 34;

void serializza_percorso(const Modello& m, ByteBuffer& out);
void serializza_celle(const Modello& m, ByteBuffer& out);
// Appends the plan, handing `out` to `flush` whenever it nears `chunk`
// bytes, so a million points never need a 20 MB buffer.
template <typename Flush>
void serializza_tracciato(const Tracciato& t, ByteBuffer& out, std::size_t chunk, Flush flush);

// Writes, each replaced whole and in this order: the compiled line file
// (only when m.scrivi_linea is non-zero), the route file, the cell file.
// Throws platform::Failure; files finished before stay.
void scrivi_file_compilati(const Modello& m);

template <typename Flush>
void serializza_tracciato(const Tracciato& t, ByteBuffer& out, std::size_t chunk, Flush flush) {
  for (int coord = 0; coord < 2; ++coord) {
    for (std::size_t p = 0; p < t.punti(); ++p) {
      if (out.size() + 10 > chunk) {
        flush(out);
        out.clear();
      }
      Tracciato::Tipo kind = t.tipo(p, coord);
      out.u16(static_cast<std::uint16_t>(kind));
      if (kind == Tracciato::Tipo::intero)
        out.i16(static_cast<std::int16_t>(t.valore(p, coord)));
      else if (kind == Tracciato::Tipo::reale)
        out.f64(t.valore(p, coord));
    }
  }
  if (out.size() > 0) flush(out);
  out.clear();
}

}  // namespace scenario
