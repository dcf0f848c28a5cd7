// The compiled-file reader behind `scenarioc dump` on arbitrary bytes: the
// same input parsed as a route file, a cell file and a compiled line file.
// MalformedFile is the expected refusal. Whatever a parser accepts must be
// what the writer gives back byte for byte: the reader may not drop, invent
// or reinterpret a byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "model/cell_kinds.h"
#include "model/model.h"

namespace {

using namespace scenario;

void uguale(std::span<const std::uint8_t> scritto, std::string_view letto, const char* file) {
  if (std::string_view(reinterpret_cast<const char*>(scritto.data()), scritto.size()) == letto)
    return;
  std::fprintf(stderr, "dump: the %s read does not write back to the same bytes\n", file);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The kind comes from the name on the command line; any bytes may be one.
  static_cast<void>(compiled_file_kind(bytes));

  try {
    Modello m;
    m.tabella_percorso = read_route(bytes);
    ByteBuffer b;
    serialize_route(m, b);
    uguale(b.data(), bytes, "route file");
  } catch (const MalformedFile&) {
  }

  try {
    Modello m;
    m.celle = read_cells(bytes);
    for (const cella& c : m.celle) static_cast<void>(cell_kind_name(c.tipo_cella));
    ByteBuffer b;
    serialize_cells(m, b);
    uguale(b.data(), bytes, "cell file");
  } catch (const MalformedFile&) {
  }

  try {
    const Tracciato t = read_plan(bytes);
    std::string scritto;
    serialize_plan(t, 4096, [&](std::span<const std::uint8_t> pezzo) {
      scritto.append(reinterpret_cast<const char*>(pezzo.data()), pezzo.size());
    });
    uguale({reinterpret_cast<const std::uint8_t*>(scritto.data()), scritto.size()}, bytes,
           "compiled line file");
  } catch (const MalformedFile&) {
  }
  return 0;
}
