#include "lsp/semantic_tokens.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "lsp/encoding.h"
#include "text/field_reader.h"

namespace lsp {

namespace {

using scenario::is_blank;
using scenario::is_line_end;

enum Type : std::uint32_t { keyword, number, string, comment, header };

// 12 bytes: a long text has millions. Its offsets fit: a larger text than
// 4 GiB gets no tokens.
struct Token {
  std::uint32_t offset, length;
  Type type;
};

Token token(std::size_t offset, std::size_t length, Type type) {
  return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length), type};
}


}  // namespace

nlohmann::json semantic_token_legend() {
  return {{"tokenTypes", {"keyword", "number", "string", "comment", "namespace"}},
          {"tokenModifiers", nlohmann::json::array()}};
}

std::vector<std::uint32_t> semantic_tokens(const Document& d) {
  std::vector<std::uint32_t> out;
  if (!d.file) return out;
  const std::string_view text = d.bytes;
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) return out;
  std::vector<Token> tokens;
  const Outline& o = *d.outline;
  tokens.reserve(o.rows.size() * 4 + o.headers.size());
  for (const Field& h : o.headers) tokens.push_back(token(h.offset, h.length, header));
  for (const Row& r : o.rows) {
    if (!r.record) continue;
    // A keyword that runs several records is one token.
    if (tokens.empty() || tokens.back().offset != r.keyword.offset)
      tokens.push_back(token(r.keyword.offset, r.keyword.length, keyword));
    const std::span<const Field> values = o.values_of(r);
    for (std::size_t i = 0; i < values.size(); ++i) {
      const Field& v = values[i];
      if (v.length == 0) continue;
      const bool is_text = i < r.record->values.size() && r.record->values[i].is_text();
      tokens.push_back(token(v.offset, v.length, is_text ? string : number));
    }
  }
  // Five numbers a token, and a few more for the comments between them.
  out.reserve(tokens.size() * 5 + tokens.size() / 2);
  std::sort(tokens.begin(), tokens.end(), [](const Token& a, const Token& b) { return a.offset < b.offset; });

  // One pass over the text: what lies between the tokens and is neither a
  // blank nor a separator is skipped by the readers, a comment.
  std::uint32_t line = 0, line_start = 0, last_line = 0, last_start = 0;
  auto emit = [&](std::size_t from, std::size_t to, Type type) {
    // A token never crosses a line end; a quoted text may.
    while (from < to) {
      std::size_t end = from;
      while (end < to && !is_line_end(text[end])) ++end;
      if (end > from) {
        const auto character = static_cast<std::uint32_t>(from - line_start);
        out.insert(out.end(), {line - last_line, line == last_line ? character - last_start : character,
                               static_cast<std::uint32_t>(end - from), type, 0});
        last_line = line;
        last_start = character;
      }
      from = end;
      while (from < to && is_line_end(text[from])) {
        if (text[from] == '\n' || from + 1 >= text.size() || text[from + 1] != '\n') {
          ++line;
          line_start = static_cast<std::uint32_t>(from + 1);
        }
        ++from;
      }
    }
  };
  auto skipped = [&](std::size_t from, std::size_t to) {
    // Comment stretches, line by line, without the blanks and commas around them.
    std::size_t i = from;
    while (i < to) {
      while (i < to && (is_blank(text[i]) || text[i] == ',' || is_line_end(text[i]))) {
        if (is_line_end(text[i])) emit(i, i + 1, comment);  // counts the line, emits nothing
        ++i;
      }
      std::size_t end = i;
      while (end < to && !is_line_end(text[end])) ++end;
      std::size_t last = end;
      while (last > i && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == ',')) --last;
      if (last > i) emit(i, last, comment);
      i = last;
    }
  };
  std::size_t at = 0;
  for (const Token& t : tokens) {
    // Wider, so that no sum below wraps.
    const std::size_t offset = t.offset, length = t.length;
    if (offset < at) continue;  // overlaps the one before
    skipped(at, offset);
    emit(offset, offset + length, t.type);
    at = offset + length;
  }
  skipped(at, text.size());
  return out;
}

nlohmann::json semantic_tokens_edits(const std::vector<std::uint32_t>& before,
                                     const std::vector<std::uint32_t>& after) {
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  nlohmann::json edits = nlohmann::json::array();
  if (head == before.size() && head == after.size()) return edits;
  edits.push_back({{"start", head},
                   {"deleteCount", before.size() - head - tail},
                   {"data", std::vector<std::uint32_t>(after.begin() + static_cast<long>(head),
                                                       after.end() - static_cast<long>(tail))}});
  return edits;
}

}  // namespace lsp
