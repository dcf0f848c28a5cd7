#include "format/compiled_files_reader.h"

#include <bit>

#include "format/compiled_files.h"
#include "model/format_constants.h"

namespace scenario {
namespace {

// The largest files the compiler can write: one plan point per metre of the
// longest route and its run-out, one cell per 50 m. Anything longer is not a
// compiled file, and is refused before the reader allocates for it.
constexpr std::size_t punti_massimi = lunghezza_massima + metri_oltre + 1;
constexpr std::size_t celle_massime = (lunghezza_massima + metri_oltre) / metri_per_cella + 1;

// What a read was for, put into words only when it fails.
struct FieldPlace {
  const char* object;  // "entry", "cell", "element"
  std::size_t index;
  const char* name;

  std::string describe() const {
    return std::string(object) + " " + std::to_string(index) + " " + name;
  }
};

// Little-endian reads that never step past the end: a short read names the
// offset where the missing value begins and what it was.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  std::size_t offset() const { return pos_; }
  std::size_t left() const { return bytes_.size() - pos_; }

  std::uint8_t u8(const FieldPlace& c) { return static_cast<std::uint8_t>(le(1, c)); }
  std::uint16_t u16(const FieldPlace& c) { return static_cast<std::uint16_t>(le(2, c)); }
  std::int16_t i16(const FieldPlace& c) { return static_cast<std::int16_t>(u16(c)); }
  std::int32_t i32(const FieldPlace& c) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(le(4, c)));
  }
  double f64(const FieldPlace& c) { return std::bit_cast<double>(le(8, c)); }
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

bool finisce_con(std::string_view nome, std::string_view coda) {
  if (nome.size() < coda.size()) return false;
  nome.remove_prefix(nome.size() - coda.size());
  for (std::size_t i = 0; i < coda.size(); ++i) {
    char c = nome[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != coda[i]) return false;
  }
  return true;
}

}  // namespace

MalformedFile::MalformedFile(std::size_t offset, const std::string& what)
    : std::runtime_error("offset " + std::to_string(offset) + ": " + what), offset_(offset) {}

CompiledFileKind compiled_file_kind(std::string_view nome) {
  if (finisce_con(nome, "_linea.dat")) return CompiledFileKind::linea;
  if (finisce_con(nome, ".dat")) return CompiledFileKind::celle;
  if (finisce_con(nome, ".sim")) return CompiledFileKind::percorso;
  return CompiledFileKind::sconosciuto;
}

std::uint64_t dimensione_massima(CompiledFileKind tipo) {
  switch (tipo) {
    // Each entry's text at the longest its 16-bit length allows.
    case CompiledFileKind::percorso:
      return std::uint64_t{voce::numero} * (byte_voce_vuota + 0xFFFF);
    case CompiledFileKind::celle: return celle_massime * byte_per_cella;
    // Two elements a point, each a 2-byte tag and at most an 8-byte real.
    case CompiledFileKind::linea: return punti_massimi * 2 * (2 + 8);
    case CompiledFileKind::sconosciuto: break;
  }
  return 0;
}

std::array<voce_percorso, voce::numero> read_route(std::string_view bytes) {
  ByteReader r(bytes);
  std::array<voce_percorso, voce::numero> tabella;
  for (std::size_t i = 0; i < tabella.size(); ++i) {
    voce_percorso& v = tabella[i];
    auto field = [i](const char* name) { return FieldPlace{"entry", i, name}; };
    v.tipo_voce = r.u8(field("tipo_voce"));
    v.dato1 = r.i32(field("dato1"));
    v.dato2 = r.i32(field("dato2"));
    v.dato3 = r.i32(field("dato3"));
    v.byte1 = r.u8(field("byte1"));
    const std::uint16_t n = r.u16(field("text length"));
    v.testo = r.bytes(n, field("testo"));
    const std::size_t at_intero1 = r.offset();
    v.intero1 = r.i16(field("intero1"));
    // The format mark is the file's signature.
    if (i == voce::scenario && v.intero1 != marchio_percorso)
      throw MalformedFile(at_intero1, "entry 85 intero1 is " + std::to_string(v.intero1) +
                                           ", not the format mark " +
                                           std::to_string(marchio_percorso));
    v.intero2 = r.i16(field("intero2"));
    v.intero3 = r.i16(field("intero3"));
    v.intero4 = r.i16(field("intero4"));
    v.intero5 = r.i16(field("intero5"));
    v.byte2 = r.u8(field("byte2"));
    v.byte3 = r.u8(field("byte3"));
    v.byte4 = r.u8(field("byte4"));
    v.byte5 = r.u8(field("byte5"));
    v.dato4 = r.i32(field("dato4"));
  }
  if (r.left() != 0)
    throw MalformedFile(r.offset(), std::to_string(r.left()) +
                                         " bytes follow the last of the 87 route entries");
  return tabella;
}

std::vector<cella> read_cells(std::string_view bytes) {
  const std::size_t resto = bytes.size() % byte_per_cella;
  if (resto != 0)
    throw MalformedFile(bytes.size() - resto, "the file ends " + std::to_string(resto) +
                                                   " bytes into a cell: its size " +
                                                   std::to_string(bytes.size()) +
                                                   " is not a whole number of 15-byte cells");
  const std::size_t n = bytes.size() / byte_per_cella;
  if (n < 2) throw MalformedFile(bytes.size(), "a cell file holds at least cells 0 and 1");
  if (n > celle_massime)
    throw MalformedFile(celle_massime * byte_per_cella,
                         std::to_string(n) + " cells, more than the " +
                             std::to_string(celle_massime) + " of the longest route");
  ByteReader r(bytes);
  std::vector<cella> celle(n);
  const std::size_t at_marchio = byte_per_cella + 1;
  for (std::size_t i = 0; i < n; ++i) {
    cella& c = celle[i];
    auto field = [i](const char* name) { return FieldPlace{"cell", i, name}; };
    c.tipo_cella = r.u8(field("tipo_cella"));
    c.valore_a = r.i16(field("valore_a"));
    c.valore_b = r.i16(field("valore_b"));
    c.valore_c = r.i16(field("valore_c"));
    c.valore_d = r.i16(field("valore_d"));
    c.tempo_segnale = r.u8(field("tempo_segnale"));
    c.preavviso = r.u8(field("preavviso"));
    c.codice_montagna = r.u8(field("codice_montagna"));
    c.vel_limite = r.u8(field("vel_limite"));
    c.codice_pendenza = r.u8(field("codice_pendenza"));
    c.aderenza = r.u8(field("aderenza"));
  }
  // The format mark is the file's signature.
  if (celle[1].valore_a != marchio_celle)
    throw MalformedFile(at_marchio, "cell 1 valore_a is " + std::to_string(celle[1].valore_a) +
                                         ", not the format mark " + std::to_string(marchio_celle));
  return celle;
}

Tracciato read_plan(std::string_view bytes) {
  // First pass: check every tag and value and count the elements, so the
  // plan is sized once and only for a file that is whole.
  std::size_t elementi = 0;
  for (ByteReader r(bytes); r.left() > 0; ++elementi) {
    if (elementi == 2 * punti_massimi)
      throw MalformedFile(r.offset(), "more elements than the " + std::to_string(punti_massimi) +
                                           " points of the longest line have");
    const std::size_t at = r.offset();
    switch (const std::uint16_t tag = r.u16(FieldPlace{"element", elementi, "tag"})) {
      case 0: break;
      case 2: r.i16(FieldPlace{"element", elementi, "(integer)"}); break;
      case 5: r.f64(FieldPlace{"element", elementi, "(real)"}); break;
      default:
        throw MalformedFile(at, "element " + std::to_string(elementi) + " has the tag " +
                                     std::to_string(tag) + "; only 0, 2 and 5 occur");
    }
  }
  if (elementi % 2 != 0)
    throw MalformedFile(bytes.size(), "an odd number of elements (" + std::to_string(elementi) +
                                           "): the two coordinates must hold as many points");
  if (elementi < 4)
    throw MalformedFile(bytes.size(), "a compiled line file holds at least points 0 and 1");

  const std::size_t punti = elementi / 2;
  // Where coordinate 1 begins: after the first half of the elements.
  ByteReader meta(bytes);
  for (std::size_t e = 0; e < punti; ++e) {
    const FieldPlace field{"element", e, ""};
    switch (meta.u16(field)) {
      case 2: meta.i16(field); break;
      case 5: meta.f64(field); break;
      default: break;
    }
  }
  Tracciato t;
  t.crea(static_cast<std::int32_t>(punti - 1));
  Tracciato::Appender out(t);
  ByteReader r0(bytes.substr(0, meta.offset()));
  ByteReader r1(bytes.substr(meta.offset()));
  for (std::size_t p = 0; p < punti; ++p) {
    const FieldPlace campo0{"element", p, ""};
    const FieldPlace campo1{"element", punti + p, ""};
    const std::uint16_t tag0 = r0.u16(campo0);
    const std::size_t at = meta.offset() + r1.offset();
    const std::uint16_t tag1 = r1.u16(campo1);
    // The compiler sets both coordinates of a point together, so a point
    // of two kinds means the halves are shifted: a cut or a padded file.
    if (tag1 != tag0)
      throw MalformedFile(at, "point " + std::to_string(p) + " has the tag " + std::to_string(tag0) +
                                   " in coordinate 0 but " + std::to_string(tag1) + " in coordinate 1");
    switch (tag0) {
      case 2: out.intero(r0.i16(campo0), r1.i16(campo1)); break;
      case 5: out.reale(r0.f64(campo0), r1.f64(campo1)); break;
      default: out.vuoto(); break;
    }
  }
  out.done();
  return t;
}

}  // namespace scenario
