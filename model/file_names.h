// The names of every file of a scenario, formed in one place from the
// scenario name and the train number. Names only: the directory is joined by
// the platform layer.
#pragma once

#include <string>

namespace scenario {

struct FileNames {
  std::string nome_scenario;
  std::string numero_treno;

  std::string linea_txt() const { return nome_scenario + "_linea.txt"; }
  std::string treno_txt() const { return nome_scenario + "_" + numero_treno + "-.txt"; }
  std::string note() const { return nome_scenario + "_" + numero_treno + "_note.txt"; }
  std::string rallentamenti() const {
    return nome_scenario + "_" + numero_treno + "_rallentamenti.txt";
  }
  std::string scheda() const { return nome_scenario + "_" + numero_treno + "_scheda_treno.txt"; }
  std::string linea_dat() const { return nome_scenario + "_linea.dat"; }
  std::string percorso_sim() const { return nome_scenario + "_" + numero_treno + ".sim"; }
  std::string celle_dat() const { return nome_scenario + "_" + numero_treno + ".dat"; }
};

}  // namespace scenario
