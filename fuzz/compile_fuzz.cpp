// The whole compilation from a pair of description texts, in memory: the
// input up to the separator is the line text, the rest the train text (no
// separator: no train text at all). Nothing touches the disk.
//
// Compiled without the line plan (j = 0). The plan is built by the line
// reader alone, which line_reader_fuzz runs with and without it, and written
// by the serialiser that dump_fuzz runs; here it would take seven eighths of
// every run. Without the plan a curve record is skipped, so the one thing
// this target cannot reach is a line abandoned at a curve (error 103), and
// the train reading after an abandoned line it reaches through the other
// refused records.
//
// A compilation that stops early (a fatal header clash, no track cells) is
// expected; anything escaping, a sanitizer report, or a route or cell file
// that its own reader refuses is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "compiler/description_text.h"
#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "model/errors.h"
#include "model/model.h"

namespace {

using namespace scenario;

constexpr std::string_view separatore = "~~treno~~";

[[noreturn]] void fail_run(const std::string& cosa) {
  std::fprintf(stderr, "compile: %s\n", cosa.c_str());
  std::abort();
}

// A compilation that ends normally gives files their own reader accepts.
template <typename Serialise, typename Read>
void rileggi(const Modello& m, const char* nome, Serialise serialise, Read read) {
  ByteBuffer b;
  serialise(m, b);
  try {
    read(std::string_view(reinterpret_cast<const char*>(b.data().data()), b.size()));
  } catch (const std::exception& e) {
    fail_run(std::string(nome) + " does not read back: " + e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t taglio = input.find(separatore);
  std::optional<std::string_view> treno;
  if (taglio != std::string_view::npos) treno = input.substr(taglio + separatore.size());
  TextInMemory testo_linea(input.substr(0, taglio), "Fuzz_linea.txt");
  TextInMemory testo_treno(treno, "Fuzz_1-.txt");

  const CompileResult r = compile({testo_linea, testo_treno}, {.names = {"Fuzz", "1"}, .read_curves = false});
  if (!r.status.has_files()) return 0;
  const Modello& m = r.model;
  rileggi(m, "the route file", serialize_route, [](std::string_view b) { read_route(b); });
  rileggi(m, "the cell file", serialize_cells, [](std::string_view b) { read_cells(b); });
  return 0;
}
