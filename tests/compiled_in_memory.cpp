#include "compiled_in_memory.h"

#include <utility>

#include "compiler/compile.h"
#include "text/field_reader.h"

namespace testing_support {

using namespace scenario;

void PrintTo(const Seen& s, std::ostream* os) {
  *os << s.code << " " << s.text << ":" << s.line;
  if (s.column != 0) *os << ":" << s.column;
}

Compiled compile_in_memory(const std::string& linea, const std::string& treno, Place place, bool plan) {
  Compiled c;
  TextInMemory l(linea, "linea"), t(treno, "treno");
  CompileResult r = scenario::compile({l, t}, {.names = {"Prova", "7"}, .read_curves = plan});
  c.m = std::move(r.model);
  if (r.status.ending == CompileStatus::Ending::fatal) c.fatal = r.status.error;
  for (const Diagnostic& d : c.m.diagnostics) {
    const std::string& text = d.at.text == Text::treno ? treno : linea;
    const char which = d.at.text == Text::linea ? 'l' : d.at.text == Text::treno ? 't' : '-';
    std::size_t line = 0, column = 0;  // a diagnostic of no place in a text
    if (d.at.offset != TextSpan::npos) {
      const Location at = FieldReader::locate(text, d.at.offset);
      line = at.line;
      column = place == Place::line_and_column ? at.column : 0;
    }
    c.seen.push_back({d.code, which, line, column});
  }
  return c;
}

}  // namespace testing_support
