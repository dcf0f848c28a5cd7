#include "lsp/folding.h"

#include "lsp/encoding.h"

namespace lsp {

nlohmann::json folding_ranges(const Document& d) {
  nlohmann::json out = nlohmann::json::array();
  if (!d.file) return out;
  const LineIndex index(d.bytes);
  const auto& headers = d.outline->headers;
  for (std::size_t h = 0; h < headers.size(); ++h) {
    const std::size_t first = index.position(headers[h].offset).line;
    std::size_t last = h + 1 < headers.size() ? index.position(headers[h + 1].offset).line
                                              : index.lines();
    // Blank lines before the next header stay visible.
    while (last > first + 1 && index.line(last - 1).find_first_not_of(" \t") == std::string_view::npos)
      --last;
    if (last <= first + 1) continue;
    out.push_back({{"startLine", first}, {"endLine", last - 1}, {"kind", "region"}});
  }
  return out;
}

}  // namespace lsp
