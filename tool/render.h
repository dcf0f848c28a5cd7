// scenarioc render: a compiled scenario drawn as one SVG picture.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

// Prints its usage for --help; throws ErroreUso for a wrong command line.
int esegui_render(std::span<const std::string> args);

extern const std::string_view uso_render;

}  // namespace scenarioc
