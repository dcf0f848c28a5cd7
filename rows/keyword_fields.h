// How both readers walk a description text to its keyword fields, shared
// with the editor's outline so the two cannot disagree: the preamble up to
// the [generale] field, and the comment fields (those holding "-") skipped
// before a keyword.
#pragma once

#include <string_view>

#include "rows/records.h"
#include "text/field_reader.h"

namespace scenario {

struct KeywordField {
  std::string_view text;  // the last field read
  bool keyword = false;   // false: the text ended, and `text` (if any) is its last field,
                          // which no reader acts on
};

// The next field in keyword position of section `s`, after up to
// comment_fields(s) hyphen fields. Before and after the first read, and in
// the body and the train description after each comment, the end of the
// text ends the walk; the general section reads its comments without
// looking, so a text that ends there is a reading failure.
KeywordField next_keyword(FieldReader& r, Section s);

bool contains_generale(std::string_view field);

// Skips to the first field holding "[generale]" (any case) and reads it.
// `skipped(field)` sees every field before it but the text's last. Returns
// the [generale] field; with `keyword` false when the text ends first. The
// line reader never acts on the text's last field, not even [generale]
// (`text` then holds it); the train reader does, and its body is then empty.
template <typename Skipped>
KeywordField find_generale(FieldReader& r, Text t, Skipped&& skipped) {
  while (!r.eof()) {
    const std::string_view f = r.text();
    const bool generale = contains_generale(f);
    if (t == Text::linea && r.eof()) return {generale ? f : std::string_view{}, false};
    if (generale) return {f, true};
    skipped(f);
  }
  return {};
}

}  // namespace scenario
