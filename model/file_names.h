// The names of every file of a scenario, formed in one place from the
// scenario name and the train number. Names only: the directory is joined by
// the platform layer.
#pragma once

#include <string>
#include <string_view>

namespace scenario {

// The private folders in which the one-shot program and scenarioc stage a
// run's files, inside the folder the files go to, each named so and a
// random suffix. Both take the folder's lock before they stage there, so
// the lock's holder may remove what a killed run of either left.
inline constexpr std::string_view staging_prefixes[] = {".belvara_quintosa-", ".scenarioc-"};

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
