// The whole compilation from a pair of description texts: the input up to
// the separator is the line text, the rest the train text (no separator: no
// train file at all). Both are written into a private directory under /tmp,
// made once per process, and compiled with the line plan (j = 1).
// FatalError, CompilationStopped and platform::Failure are the
// expected ways for a compilation to stop; anything else escaping, a
// sanitizer report, or a route or cell file that its own reader refuses is
// a finding.
#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "compiler/compile.h"
#include "driver/one_shot_run.h"
#include "format/compiled_files_reader.h"
#include "model/errors.h"
#include "model/file_names.h"
#include "model/model.h"
#include "platform/platform.h"

namespace {

using namespace scenario;
namespace fs = std::filesystem;

constexpr std::string_view separatore = "~~treno~~";

[[noreturn]] void fallito(const std::string& cosa) {
  std::fprintf(stderr, "compile: %s\n", cosa.c_str());
  std::abort();
}

class CartellaPrivata {
 public:
  CartellaPrivata() {
    char modello[] = "/tmp/compile_fuzz.XXXXXX";
    if (mkdtemp(modello) == nullptr) fallito("cannot create a directory under /tmp");
    path_ = modello;
  }
  ~CartellaPrivata() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  CartellaPrivata(const CartellaPrivata&) = delete;
  CartellaPrivata& operator=(const CartellaPrivata&) = delete;

  const std::string& path() const { return path_; }

  // Nothing from the run before may reach this one.
  void svuota() const {
    for (const fs::directory_entry& e : fs::directory_iterator(path_)) fs::remove_all(e.path());
  }

 private:
  std::string path_;
};

void scrivi(const std::string& path, std::string_view bytes) {
  platform::OutputFile f = platform::create_replacing(path);
  f.write(bytes);
  f.close();
}

// A compilation that ends normally leaves files their own reader accepts.
// The compiled line file (140 KB at least) is left out: reading it back
// would take most of each run, and every plan has the same simple shape.
void rileggi(const std::string& cartella, const NomiFile& nomi) {
  auto leggi = [&](const std::string& nome, auto parse_arguments) {
    try {
      parse_arguments(platform::read_file(platform::join_path(cartella, nome)));
    } catch (const std::exception& e) {
      fallito(nome + " does not read back: " + e.what());
    }
  };
  leggi(nomi.percorso_sim(), [](const std::string& b) { leggi_percorso(b); });
  leggi(nomi.celle_dat(), [](const std::string& b) { leggi_celle(b); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const CartellaPrivata cartella;
  cartella.svuota();

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Modello m;
  m.cartella = cartella.path();
  m.nome_scenario = "Fuzz";
  m.numero_treno = "1";
  const NomiFile nomi{m.nome_scenario, m.numero_treno};

  const std::size_t taglio = input.find(separatore);
  scrivi(platform::join_path(m.cartella, nomi.linea_txt()), input.substr(0, taglio));
  if (taglio != std::string_view::npos)
    scrivi(platform::join_path(m.cartella, nomi.treno_txt()),
           input.substr(taglio + separatore.size()));

  try {
    memorizza_percorso(m, 1);
  } catch (const FatalError&) {
    return 0;
  } catch (const CompilationStopped&) {
    return 0;
  } catch (const platform::Failure&) {
    return 0;
  }
  rileggi(m.cartella, nomi);
  return 0;
}
