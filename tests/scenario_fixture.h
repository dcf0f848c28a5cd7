// A scenario in a private directory: description texts written under the
// names the compiler looks for, and the model that reads or compiles them.
#pragma once

#include <string>

#include "compiler/compile.h"
#include "compiler/reader.h"
#include "driver/description_files.h"
#include "driver/one_shot_run.h"
#include "model/file_names.h"
#include "model/model.h"
#include "test_support.h"

namespace testing_support {

class ScenarioFixture {
 public:
  ScenarioFixture() {
    m.nome_scenario = "Prova";
    m.numero_treno = "7";
  }

  scenario::FileNames nomi() const { return {m.nome_scenario, m.numero_treno}; }
  std::filesystem::path percorso(const std::string& nome) const { return dir / nome; }
  bool esiste(const std::string& nome) const { return std::filesystem::exists(dir / nome); }

  void linea(const std::string& testo) { write_bytes(dir / nomi().linea_txt(), testo); }
  void treno(const std::string& testo) { write_bytes(dir / nomi().treno_txt(), testo); }
  bool line_text_left() const { return esiste(nomi().linea_txt()); }
  bool train_text_left() const { return esiste(nomi().treno_txt()); }

  // Both readers, as the compile sequence runs them, without post-processing.
  scenario::Modello& leggi(std::int32_t j = 0) {
    m.scrivi_linea = j;
    m.numero_errore = 0;
    scenario::clear_route_table(m);
    scenario::OneShotDescriptionFile linea((dir / nomi().linea_txt()).string());
    scenario::OneShotDescriptionFile treno((dir / nomi().treno_txt()).string());
    scenario::memorizza_dati(m, {linea, treno});
    return m;
  }
  // The whole compile sequence; `status` says how it ended.
  scenario::Modello& compile_folder(std::int32_t j = 0) {
    status = scenario::memorizza_percorso(m, dir.str(), j);
    return m;
  }

  TempDir dir;
  scenario::Modello m;
  scenario::CompileStatus status;
};

// A line description of `lunghezza` metres with `corpo` as its body.
inline std::string line_with(const std::string& corpo, int lunghezza = 10000) {
  return "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) + "\r\n[curve]\r\n" +
         corpo + "[fine]\r\n";
}

// A train description with `righe` after its "[generale]" field.
inline std::string train_with(const std::string& righe) {
  return "[generale]\r\n" + righe + "[fine]\r\n";
}

// Reads `righe` as the train description over a 30,000 m line (last cell
// 740) whose body is `corpo_linea`. posizione_errore starts at -1, so a test
// sees whether an error set it.
inline scenario::Modello& read_train_over_line(ScenarioFixture& f, const std::string& righe,
                                      const std::string& corpo_linea = "") {
  f.linea(line_with(corpo_linea, 30000));
  f.treno(righe);
  f.m.posizione_errore = -1;
  return f.leggi();
}

}  // namespace testing_support
