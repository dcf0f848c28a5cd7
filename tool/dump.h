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

using RouteTable = std::array<scenario::voce_percorso, scenario::voce::numero>;

std::string route_text(const std::string& name, std::size_t size, const RouteTable& t);
std::string route_json(const std::string& name, std::size_t size, const RouteTable& t);

std::string cells_text(const std::string& name, std::size_t size,
                        const std::vector<scenario::cella>& celle);
std::string cells_json(const std::string& name, std::size_t size,
                       const std::vector<scenario::cella>& celle);

std::string plan_text(const std::string& name, std::size_t size,
                        const scenario::Tracciato& t);
std::string plan_json(const std::string& name, std::size_t size,
                       const scenario::Tracciato& t);

}  // namespace scenarioc
