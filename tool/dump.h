// The printers of scenarioc dump, one text form and one JSON form for each
// kind of compiled file. Each takes the file's name and size, for the
// heading, and its parsed content.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "model/model.h"
#include "model/plan.h"

namespace scenarioc {

using Tabella = std::array<scenario::voce_percorso, scenario::voce::numero>;

std::string percorso_testo(const std::string& nome, std::size_t dimensione, const Tabella& t);
std::string percorso_json(const std::string& nome, std::size_t dimensione, const Tabella& t);

std::string celle_testo(const std::string& nome, std::size_t dimensione,
                        const std::vector<scenario::cella>& celle);
std::string celle_json(const std::string& nome, std::size_t dimensione,
                       const std::vector<scenario::cella>& celle);

std::string linea_testo(const std::string& nome, std::size_t dimensione,
                        const scenario::Tracciato& t);
std::string linea_json(const std::string& nome, std::size_t dimensione,
                       const scenario::Tracciato& t);

}  // namespace scenarioc
