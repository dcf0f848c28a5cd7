// The field reader on any text, with any sequence of text and number reads:
// the last 8 bytes of the input choose the reads (one bit each, repeating),
// the rest is the text. Besides the sanitizers, each read is checked for
// what the readers above rely on: it moves forward, stays inside the text,
// and a number is the one the field spells or a ReadFailure.
#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/field_reader.h"

namespace {

using scenario::FieldReader;
using scenario::ReadFailure;

void richiedi(bool condizione, const char* cosa) {
  if (condizione) return;
  std::fprintf(stderr, "field reader: %s\n", cosa);
  std::abort();
}

bool dentro(std::string_view parte, std::string_view tutto) {
  return parte.data() >= tutto.data() && parte.data() + parte.size() <= tutto.data() + tutto.size();
}

bool fine_campo(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value a number field spells, worked out apart from the reader: empty
// is 0; otherwise an optional sign and digits that fit 32 bits, or nothing.
bool valore_atteso(std::string_view token, std::int32_t& valore) {
  valore = 0;
  if (token.empty()) return true;
  if (token.front() == '+') {
    token.remove_prefix(1);
    if (token.empty() || token.front() < '0' || token.front() > '9') return false;
  }
  const auto [fine, errore] = std::from_chars(token.data(), token.data() + token.size(), valore);
  return errore == std::errc{} && fine == token.data() + token.size();
}

void controlla_posizione(std::string_view testo, std::size_t offset) {
  const scenario::Location l = FieldReader::locate(testo, offset);
  richiedi(l.line >= 1 && l.column >= 1 && l.column <= offset + 1, "locate out of range");
  const std::string_view riga = FieldReader::line_at(testo, offset);
  richiedi(dentro(riga, testo), "line_at outside the text");
  richiedi(riga.find_first_of("\r\n") == std::string_view::npos, "line_at holds a line end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto scelte = input.ConsumeIntegral<std::uint64_t>();
  const std::string testo = input.ConsumeRemainingBytesAsString();
  const std::string_view tutto = testo;
  FieldReader r(tutto);
  bool posizione_controllata = false;

  for (unsigned i = 0; !r.eof(); ++i) {
    const std::size_t prima = r.offset();
    const bool numero = (scelte >> (i % 64)) & 1;
    try {
      if (numero) {
        const std::int32_t v = r.number();
        const std::size_t inizio = r.field_start();
        std::size_t fine = inizio;
        while (fine < tutto.size() && !fine_campo(tutto[fine])) ++fine;
        std::int32_t atteso = 0;
        richiedi(valore_atteso(tutto.substr(inizio, fine - inizio), atteso) && v == atteso,
                 "number() differs from the digits of its field");
      } else {
        const std::string_view t = r.text();
        richiedi(dentro(t, tutto), "text() outside the text");
        const bool tra_virgolette = r.field_start() < tutto.size() && tutto[r.field_start()] == '"';
        richiedi(tra_virgolette ? t.find('"') == std::string_view::npos
                                : t.find_first_of(",\r\n") == std::string_view::npos,
                 "text() runs over its end");
      }
      richiedi(r.field_start() >= prima && r.field_start() <= r.offset(),
               "the field starts outside the read");
    } catch (const ReadFailure& e) {
      richiedi(e.offset() <= tutto.size(), "a failure offset past the text");
      // locate() scans from the start: once per input keeps the run linear.
      if (!posizione_controllata) controlla_posizione(tutto, e.offset());
      posizione_controllata = true;
    }
    // Every read consumes at least one byte, so the readers' loops end.
    richiedi(r.offset() > prima && r.offset() <= tutto.size(), "a read that did not advance");
  }
  if (!posizione_controllata) controlla_posizione(tutto, tutto.size() / 2);
  return 0;
}
