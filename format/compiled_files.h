// The three compiled files the simulator loads: plain little-endian images of
// the model's arrays, with no header of their own.
//   route file (.sim):        87 entries of 34 + text length bytes
//   cell file (.dat):         15 bytes per cell, cell 0 first
//   compiled line file:       every element of the plan as a 2-byte tag and
//                             its value, coordinate 0 of all points first
#pragma once

#include <algorithm>
#include <bit>
#include <span>
#include <string>
#include <vector>

#include "format/byte_buffer.h"
#include "model/file_names.h"
#include "model/model.h"

namespace scenario {

inline constexpr std::size_t byte_per_cella = 15;
inline constexpr std::size_t byte_voce_vuota = 34;

void serializza_percorso(const Modello& m, ByteBuffer& out);
void serializza_celle(const Modello& m, ByteBuffer& out);
// Serialises the plan through one buffer of `chunk` bytes, handing each full
// stretch to `flush`, so a million points never need a 20 MB buffer.
template <typename Flush>
void serializza_tracciato(const Tracciato& t, std::size_t chunk, Flush flush);

// Writes, each replaced whole and in this order: the compiled line file
// (only when m.scrivi_linea is non-zero), the route file, the cell file.
// Throws platform::Failure; files finished before stay.
void scrivi_file_compilati(const Modello& m);
// The same under the names given, which may differ from the model's own
// texts in their encoding.
void scrivi_file_compilati(const Modello& m, const NomiFile& nomi);

template <typename Flush>
void serializza_tracciato(const Tracciato& t, std::size_t chunk, Flush flush) {
  // The hot loop of the largest file: raw byte stores, no per-element checks
  // beyond the one for a full buffer.
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(chunk, 64));
  std::uint8_t* const begin = buffer.data();
  std::uint8_t* const limit = begin + buffer.size() - 10;
  std::uint8_t* p = begin;
  for (int coord = 0; coord < 2; ++coord) {
    for (std::size_t i = 0; i < t.punti(); ++i) {
      if (p > limit) {
        flush(std::span<const std::uint8_t>(begin, p));
        p = begin;
      }
      const Tracciato::Tipo kind = t.tipo(i, coord);
      put_le16(p, static_cast<std::uint16_t>(kind));
      p += 2;
      if (kind == Tracciato::Tipo::intero) {
        put_le16(p, static_cast<std::uint16_t>(static_cast<std::int16_t>(t.valore(i, coord))));
        p += 2;
      } else if (kind == Tracciato::Tipo::reale) {
        put_le64(p, std::bit_cast<std::uint64_t>(t.valore(i, coord)));
        p += 8;
      }
    }
  }
  if (p != begin) flush(std::span<const std::uint8_t>(begin, p));
}

}  // namespace scenario
