// The byte layout of every compiled record, written down once: a route
// entry, a track cell and a plan element, each a list of fields in file
// order with its offset, width and encoding. The writers, the reader,
// `scenarioc dump` and the decompiler's comparison all walk these lists, so
// no other file spells an offset or a width.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

#include "model/model.h"
#include "model/plan.h"

namespace scenario {

enum class Encoding : std::uint8_t {
  unsigned_int,
  signed_int,  // two's complement
  real,        // IEEE 754 double
  bytes,       // a text, one byte per character, as long as its length field says
};

struct FieldLayout {
  std::string_view name;  // the model's own name, as dump and the reader's messages show it
  std::size_t offset;     // from the record's start; after a route entry's text, plus its length
  std::size_t width;      // bytes; a text's is its length, 0 here
  Encoding encoding;
};

// A field of a record of the model: its layout and how to reach it. A
// number is carried as an int64, which holds every field's type.
template <typename Record>
struct RecordField {
  enum class Kind : std::uint8_t { number, text_length, text };
  Kind kind;
  FieldLayout layout;
  bool after_text;  // its offset counts from the end of the entry's text
  std::int64_t (*get)(const Record&);
  void (*set)(Record&, std::int64_t);

  // Where the field starts in a record whose text is `text_length` bytes.
  constexpr std::size_t at(std::size_t text_length = 0) const {
    return layout.offset + (after_text ? text_length : 0);
  }
};

namespace layout_detail {

template <auto Member, typename Record>
std::int64_t get(const Record& r) {
  return r.*Member;
}
template <auto Member, typename Record>
void set(Record& r, std::int64_t v) {
  using T = std::remove_cvref_t<decltype(r.*Member)>;
  r.*Member = static_cast<T>(v);
}

// A number field whose width and sign must be those of the model's member:
// a table that disagrees with model.h does not compile.
template <typename Record, auto Member>
consteval RecordField<Record> number(std::string_view name, std::size_t offset, std::size_t width,
                                     Encoding encoding, bool after_text = false) {
  using T = std::remove_cvref_t<decltype(std::declval<Record&>().*Member)>;
  if (sizeof(T) != width || std::is_signed_v<T> != (encoding == Encoding::signed_int))
    throw std::logic_error("the model's field is not as wide, or not as signed, as the file's");
  return {RecordField<Record>::Kind::number, {name, offset, width, encoding}, after_text,
          &get<Member, Record>, &set<Member, Record>};
}

}  // namespace layout_detail

using RouteField = RecordField<voce_percorso>;
using CellField = RecordField<cella>;

// A route entry: 34 bytes and its text.
inline constexpr std::size_t route_entry_fixed_size = 34;
inline constexpr std::array<RouteField, 17> route_entry_layout = [] {
  using layout_detail::number;
  using V = voce_percorso;
  constexpr auto u = Encoding::unsigned_int;
  constexpr auto s = Encoding::signed_int;
  return std::array<RouteField, 17>{{
      number<V, &V::tipo_voce>("tipo_voce", 0, 1, u),
      number<V, &V::dato1>("dato1", 1, 4, s),
      number<V, &V::dato2>("dato2", 5, 4, s),
      number<V, &V::dato3>("dato3", 9, 4, s),
      number<V, &V::byte1>("byte1", 13, 1, u),
      {RouteField::Kind::text_length, {"text length", 14, 2, u}, false, nullptr, nullptr},
      {RouteField::Kind::text, {"testo", 16, 0, Encoding::bytes}, false, nullptr, nullptr},
      number<V, &V::intero1>("intero1", 16, 2, s, true),
      number<V, &V::intero2>("intero2", 18, 2, s, true),
      number<V, &V::intero3>("intero3", 20, 2, s, true),
      number<V, &V::intero4>("intero4", 22, 2, s, true),
      number<V, &V::intero5>("intero5", 24, 2, s, true),
      number<V, &V::byte2>("byte2", 26, 1, u, true),
      number<V, &V::byte3>("byte3", 27, 1, u, true),
      number<V, &V::byte4>("byte4", 28, 1, u, true),
      number<V, &V::byte5>("byte5", 29, 1, u, true),
      number<V, &V::dato4>("dato4", 30, 4, s, true),
  }};
}();

// A track cell: 15 bytes.
inline constexpr std::size_t cell_size = 15;
inline constexpr std::array<CellField, 11> cell_layout = [] {
  using layout_detail::number;
  using C = cella;
  constexpr auto u = Encoding::unsigned_int;
  constexpr auto s = Encoding::signed_int;
  return std::array<CellField, 11>{{
      number<C, &C::tipo_cella>("tipo_cella", 0, 1, u),
      number<C, &C::valore_a>("valore_a", 1, 2, s),
      number<C, &C::valore_b>("valore_b", 3, 2, s),
      number<C, &C::valore_c>("valore_c", 5, 2, s),
      number<C, &C::valore_d>("valore_d", 7, 2, s),
      number<C, &C::tempo_segnale>("tempo_segnale", 9, 1, u),
      number<C, &C::preavviso>("preavviso", 10, 1, u),
      number<C, &C::codice_montagna>("codice_montagna", 11, 1, u),
      number<C, &C::vel_limite>("vel_limite", 12, 1, u),
      number<C, &C::codice_pendenza>("codice_pendenza", 13, 1, u),
      number<C, &C::aderenza>("aderenza", 14, 1, u),
  }};
}();

// The route entry's field of `name`; a name the table lacks does not compile
// where a constant is needed.
constexpr const RouteField& route_field(std::string_view name) {
  for (const RouteField& f : route_entry_layout)
    if (f.layout.name == name) return f;
  throw std::logic_error("no such route entry field");
}

// The text is cut to what its length field can count.
inline constexpr std::size_t longest_route_text =
    (std::size_t{1} << (8 * route_field("text length").layout.width)) - 1;

// A plan element: its tag, then its value, whose width the plan's own
// element layout (model/plan.h, which holds the file's image) gives by kind.
inline constexpr FieldLayout plan_tag_layout{"tag", 0, Tracciato::tag_width, Encoding::unsigned_int};
constexpr FieldLayout plan_value_layout(Tracciato::Tipo kind) {
  return {kind == Tracciato::Tipo::reale ? "(real)" : "(integer)", Tracciato::tag_width,
          Tracciato::value_width(kind),
          kind == Tracciato::Tipo::reale ? Encoding::real : Encoding::signed_int};
}

}  // namespace scenario
