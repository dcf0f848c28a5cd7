#include "tool/compiled_input.h"

#include <algorithm>
#include <optional>

#include "platform/platform.h"

namespace scenarioc {

using scenario::TipoFileCompilato;

namespace {

// Parses `bytes` as a file of `kind` into `f`.
void parse(std::string_view bytes, TipoFileCompilato kind, CompiledFile& f) {
  switch (kind) {
    case TipoFileCompilato::percorso: f.route = scenario::leggi_percorso(bytes); break;
    case TipoFileCompilato::celle: f.cells = scenario::leggi_celle(bytes); break;
    case TipoFileCompilato::linea: f.plan = scenario::leggi_tracciato(bytes); break;
    case TipoFileCompilato::sconosciuto: break;
  }
  f.kind = kind;
}

}  // namespace

CompiledFile read_compiled_file(const std::string& path) {
  const TipoFileCompilato by_name = scenario::tipo_file_compilato(path);
  const bool dat = by_name == TipoFileCompilato::celle || by_name == TipoFileCompilato::linea;
  const std::uint64_t largest =
      dat ? std::max(scenario::dimensione_massima(TipoFileCompilato::celle),
                     scenario::dimensione_massima(TipoFileCompilato::linea))
          : scenario::dimensione_massima(by_name);
  const std::string bytes = platform::read_file_limited(path, largest);

  CompiledFile f;
  f.size = bytes.size();
  if (!dat) {
    parse(bytes, by_name, f);
    return f;
  }
  const TipoFileCompilato other =
      by_name == TipoFileCompilato::celle ? TipoFileCompilato::linea : TipoFileCompilato::celle;
  try {
    parse(bytes, by_name, f);
  } catch (const scenario::MalformedFile&) {
    try {
      if (bytes.size() <= scenario::dimensione_massima(other)) {
        parse(bytes, other, f);
        return f;
      }
    } catch (const scenario::MalformedFile&) {
      // Neither: the name's kind tells what is wrong.
    }
    throw;
  }
  return f;
}

std::string_view kind_name(TipoFileCompilato kind) {
  switch (kind) {
    case TipoFileCompilato::percorso: return "route file";
    case TipoFileCompilato::celle: return "cell file";
    case TipoFileCompilato::linea: return "compiled line file";
    case TipoFileCompilato::sconosciuto: break;
  }
  return "compiled file";
}

}  // namespace scenarioc
