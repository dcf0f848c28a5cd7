// scenarioc render: a compiled scenario drawn as one SVG picture.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

// Prints its usage for --help; throws UsageError for a wrong command line.
int run_render(std::span<const std::string> args);

extern const std::string_view render_usage;

}  // namespace scenarioc
