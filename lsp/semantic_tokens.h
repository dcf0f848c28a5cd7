// Semantic tokens, so that an editor without a grammar for the texts
// colours them as the readers read them: record keywords, number values,
// text values (names), section headers, and as comments everything the
// readers skip. Full results and deltas against the previous one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/workspace.h"

namespace lsp {

// The token types, in the legend's order.
nlohmann::json semantic_token_legend();

// The protocol's encoding: five integers per token, positions relative to
// the token before.
std::vector<std::uint32_t> semantic_tokens(const Document& d);

// The one edit that turns `before` into `after` (the common start and end
// kept), as a SemanticTokensEdit; none when they are equal.
nlohmann::json semantic_tokens_edits(const std::vector<std::uint32_t>& before,
                                     const std::vector<std::uint32_t>& after);

}  // namespace lsp
