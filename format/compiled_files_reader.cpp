#include "format/compiled_files_reader.h"

#include <bit>
#include <optional>

#include "format/compiled_files.h"
#include "format/record_layouts.h"
#include "model/format_constants.h"

namespace scenario {
namespace {

// The largest files the compiler can write: one plan point per metre of the
// longest route and its run-out, one cell per 50 m. Anything longer is not a
// compiled file, and is refused before the reader allocates for it.
constexpr std::size_t most_points = lunghezza_massima + metri_oltre + 1;
constexpr std::size_t most_cells = (lunghezza_massima + metri_oltre) / metri_per_cella + 1;

// What a read was for, put into words only when it fails.
struct FieldPlace {
  const char* object;  // "entry", "cell", "element"
  std::size_t index;
  std::string_view name;

  std::string describe() const {
    return std::string(object) + " " + std::to_string(index) + " " + std::string(name);
  }
};

// The element kind a plan tag stands for; nothing for a tag no plan holds.
std::optional<Tracciato::Tipo> element_kind(std::int64_t tag) {
  for (const Tracciato::Tipo k : {Tracciato::Tipo::vuoto, Tracciato::Tipo::intero, Tracciato::Tipo::reale})
    if (tag == static_cast<std::int64_t>(k)) return k;
  return std::nullopt;
}

// Little-endian reads that never step past the end: a short read names the
// offset where the missing value begins and what it was.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  std::size_t offset() const { return pos_; }
  std::size_t left() const { return bytes_.size() - pos_; }

  // A whole number as a layout gives it, sign-extended when signed.
  std::int64_t number(const FieldLayout& f, const FieldPlace& c) {
    const std::uint64_t v = le(f.width, c);
    if (f.encoding != Encoding::signed_int || f.width >= 8) return static_cast<std::int64_t>(v);
    const std::uint64_t sign = std::uint64_t{1} << (8 * f.width - 1);
    return static_cast<std::int64_t>(v ^ sign) - static_cast<std::int64_t>(sign);
  }
  std::string_view bytes(std::size_t size, const FieldPlace& c) {
    need(size, c);
    std::string_view s = bytes_.substr(pos_, size);
    pos_ += size;
    return s;
  }

 private:
  std::uint64_t le(std::size_t size, const FieldPlace& c) {
    need(size, c);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i)
      v |= std::uint64_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
    pos_ += size;
    return v;
  }
  void need(std::size_t size, const FieldPlace& c) {
    if (left() < size)
      throw MalformedFile(pos_, "the file is cut short in " + c.describe() + " (" +
                                     std::to_string(size) + " bytes needed, " +
                                     std::to_string(left()) + " left)");
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
};

bool ends_with_ignoring_case(std::string_view name, std::string_view tail) {
  if (name.size() < tail.size()) return false;
  name.remove_prefix(name.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

}  // namespace

MalformedFile::MalformedFile(std::size_t offset, const std::string& what)
    : std::runtime_error("offset " + std::to_string(offset) + ": " + what), offset_(offset) {}

CompiledFileKind compiled_file_kind(std::string_view name) {
  if (ends_with_ignoring_case(name, "_linea.dat")) return CompiledFileKind::linea;
  if (ends_with_ignoring_case(name, ".dat")) return CompiledFileKind::celle;
  if (ends_with_ignoring_case(name, ".sim")) return CompiledFileKind::percorso;
  return CompiledFileKind::unknown;
}

std::uint64_t largest_file_size(CompiledFileKind kind) {
  switch (kind) {
    // Each entry's text at the longest its length field allows.
    case CompiledFileKind::percorso:
      return std::uint64_t{voce::numero} * (route_entry_fixed_size + longest_route_text);
    case CompiledFileKind::celle: return most_cells * cell_size;
    // Two elements a point, each at most a real.
    case CompiledFileKind::linea: return most_points * 2 * Tracciato::element_width(Tracciato::Tipo::reale);
    case CompiledFileKind::unknown: break;
  }
  return 0;
}

std::array<voce_percorso, voce::numero> read_route(std::string_view bytes) {
  ByteReader r(bytes);
  std::array<voce_percorso, voce::numero> table;
  const RouteField& mark = route_field("intero1");
  for (std::size_t i = 0; i < table.size(); ++i) {
    voce_percorso& v = table[i];
    std::size_t text_length = 0;
    for (const RouteField& f : route_entry_layout) {
      const FieldPlace place{"entry", i, f.layout.name};
      const std::size_t at = r.offset();
      switch (f.kind) {
        case RouteField::Kind::number: f.set(v, r.number(f.layout, place)); break;
        case RouteField::Kind::text_length:
          text_length = static_cast<std::size_t>(r.number(f.layout, place));
          break;
        case RouteField::Kind::text: v.testo = r.bytes(text_length, place); break;
      }
      // The format mark is the file's signature.
      if (i == voce::scenario && &f == &mark && v.intero1 != marchio_percorso)
        throw MalformedFile(at, "entry 85 intero1 is " + std::to_string(v.intero1) +
                                    ", not the format mark " + std::to_string(marchio_percorso));
    }
  }
  if (r.left() != 0)
    throw MalformedFile(r.offset(), std::to_string(r.left()) +
                                         " bytes follow the last of the 87 route entries");
  return table;
}

std::vector<cella> read_cells(std::string_view bytes) {
  const std::size_t rest = bytes.size() % cell_size;
  if (rest != 0)
    throw MalformedFile(bytes.size() - rest, "the file ends " + std::to_string(rest) +
                                                  " bytes into a cell: its size " +
                                                  std::to_string(bytes.size()) +
                                                  " is not a whole number of " +
                                                  std::to_string(cell_size) + "-byte cells");
  const std::size_t n = bytes.size() / cell_size;
  if (n < 2) throw MalformedFile(bytes.size(), "a cell file holds at least cells 0 and 1");
  if (n > most_cells)
    throw MalformedFile(most_cells * cell_size,
                         std::to_string(n) + " cells, more than the " +
                             std::to_string(most_cells) + " of the longest route");
  ByteReader r(bytes);
  std::vector<cella> cells(n);
  for (std::size_t i = 0; i < n; ++i)
    for (const CellField& f : cell_layout) f.set(cells[i], r.number(f.layout, {"cell", i, f.layout.name}));
  // The format mark is the file's signature.
  if (cells[1].valore_a != marchio_celle)
    throw MalformedFile(cell_size + cell_layout[1].at(),
                        "cell 1 valore_a is " + std::to_string(cells[1].valore_a) +
                            ", not the format mark " + std::to_string(marchio_celle));
  return cells;
}

Tracciato read_plan(std::string_view bytes) {
  // First pass: check every tag and value and count the elements, so the
  // plan is sized once and only for a file that is whole.
  std::size_t elements = 0;
  for (ByteReader r(bytes); r.left() > 0; ++elements) {
    if (elements == 2 * most_points)
      throw MalformedFile(r.offset(), "more elements than the " + std::to_string(most_points) +
                                           " points of the longest line have");
    const std::size_t at = r.offset();
    const std::int64_t tag = r.number(plan_tag_layout, {"element", elements, plan_tag_layout.name});
    const std::optional<Tracciato::Tipo> kind = element_kind(tag);
    if (!kind)
      throw MalformedFile(at, "element " + std::to_string(elements) + " has the tag " +
                                   std::to_string(tag) + "; only 0, 2 and 5 occur");
    const FieldLayout value = plan_value_layout(*kind);
    r.bytes(value.width, {"element", elements, value.name});
  }
  if (elements % 2 != 0)
    throw MalformedFile(bytes.size(), "an odd number of elements (" + std::to_string(elements) +
                                           "): the two coordinates must hold as many points");
  if (elements < 4)
    throw MalformedFile(bytes.size(), "a compiled line file holds at least points 0 and 1");

  const std::size_t points = elements / 2;
  // Where coordinate 1 begins: after the first half of the elements, whose
  // tags the first pass found sound.
  std::size_t half = 0;
  for (std::size_t e = 0; e < points; ++e) {
    ByteReader tag(bytes.substr(half, plan_tag_layout.width));
    half += Tracciato::element_width(*element_kind(tag.number(plan_tag_layout, {"element", e, ""})));
  }
  Tracciato t;
  t.crea(static_cast<std::int32_t>(points - 1));
  Tracciato::Appender out(t);
  ByteReader r0(bytes.substr(0, half));
  ByteReader r1(bytes.substr(half));
  for (std::size_t p = 0; p < points; ++p) {
    const FieldPlace place0{"element", p, ""};
    const FieldPlace place1{"element", points + p, ""};
    const std::int64_t tag0 = r0.number(plan_tag_layout, place0);
    const std::size_t at = half + r1.offset();
    const std::int64_t tag1 = r1.number(plan_tag_layout, place1);
    // The compiler sets both coordinates of a point together, so a point
    // of two kinds means the halves are shifted: a cut or a padded file.
    if (tag1 != tag0)
      throw MalformedFile(at, "point " + std::to_string(p) + " has the tag " + std::to_string(tag0) +
                                   " in coordinate 0 but " + std::to_string(tag1) + " in coordinate 1");
    const Tracciato::Tipo kind = *element_kind(tag0);
    const FieldLayout value = plan_value_layout(kind);
    switch (kind) {
      case Tracciato::Tipo::intero:
        out.intero(static_cast<std::int16_t>(r0.number(value, place0)),
                   static_cast<std::int16_t>(r1.number(value, place1)));
        break;
      case Tracciato::Tipo::reale:
        out.reale(std::bit_cast<double>(r0.number(value, place0)),
                  std::bit_cast<double>(r1.number(value, place1)));
        break;
      case Tracciato::Tipo::vuoto: out.vuoto(); break;
    }
  }
  out.done();
  return t;
}

}  // namespace scenario
