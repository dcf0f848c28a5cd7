// The decompiler on damaged compiled files: the route file, the cell file
// and, when present, the compiled line file of one input, cut apart at the
// markers below. MalformedFile is the expected refusal of what is no
// compiled file at all; anything else must come back as texts and, where
// they do not compile to the same bytes, as named differences.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "decompiler/decompile.h"
#include "format/compiled_files_reader.h"

namespace {

constexpr std::string_view segno_celle = "~~celle~~";
constexpr std::string_view segno_linea = "~~linea~~";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace scenario;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t celle = input.find(segno_celle);
  if (celle == std::string_view::npos) return 0;
  CompiledBytes files;
  files.percorso = input.substr(0, celle);
  std::string_view resto = input.substr(celle + segno_celle.size());
  if (const std::size_t linea = resto.find(segno_linea); linea != std::string_view::npos) {
    files.linea = resto.substr(linea + segno_linea.size());
    resto = resto.substr(0, linea);
  }
  files.celle = resto;
  try {
    const Decompiled d = decompile(files, {"Seme", "1"});
    // An inexact result says where; an exact one has texts.
    if (!d.exact() && d.differences.empty() && d.differences_left_out == 0 && !d.not_compiled) std::abort();
    if (d.linea.empty() || d.treno.empty()) std::abort();
  } catch (const MalformedFile&) {
  }
  return 0;
}
