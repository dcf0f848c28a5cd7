#include "rows/keyword_fields.h"

#include "rows/text_match.h"

namespace scenario {

bool contains_generale(std::string_view field) { return contiene_ci(field, generale_field); }

KeywordField next_keyword(FieldReader& r, Section s) {
  if (r.eof()) return {};
  std::string_view campo = r.text();
  if (r.eof()) return {campo, false};
  const bool look_for_end = s != Section::general;
  for (int k = 0; k < comment_fields(s) && contiene(campo, "-"); ++k) {
    campo = r.text();
    if (look_for_end && r.eof()) return {campo, false};
  }
  return {campo, true};
}

}  // namespace scenario
