// A small SVG writer for scenarioc render: numbers in a short fixed form,
// the scenario's 8-bit texts turned into escaped UTF-8, and elements written
// one after another into a string that is only saved once it is complete.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scenarioc::svg {

// Windows-1252 bytes as UTF-8 with &, <, >, " and ' escaped. Bytes XML
// cannot carry (control codes, the five unassigned 1252 codes) become
// U+FFFD, so any route file text gives a well-formed document.
std::string testo(std::string_view cp1252);

// A text of our own, already UTF-8 (labels, numbers), escaped for XML.
std::string nostro(std::string_view utf8);

// `v` with at most `decimali` decimals, trailing zeros dropped ("12.5",
// "-3", "0"). Never "nan" or "inf": what is not finite prints as 0, so a
// damaged value cannot break the document.
std::string num(double v, int decimali = 1);

struct Punto {
  double x, y;
};

// A path's "d" for a polyline, in tenths of a pixel: the first point
// absolute, the others relative to it ("M12.5 30 l1.2 -0.4 ..."), which
// takes about a third less room than absolute points. "" for no point.
std::string polilinea(const std::vector<Punto>& punti);

// A document under construction. apri/chiudi nest groups; elements are
// written whole with their attributes already formatted.
class Documento {
 public:
  Documento(double larghezza, std::string_view stile);

  // <g id=...> (id may be empty) with further attributes, and its end.
  void apri_gruppo(std::string_view id, std::string_view attributi = {});
  void chiudi_gruppo();

  // Markup written as it is (definitions made by the caller).
  void grezzo(std::string_view markup) { out_ += markup; }

  // <tag attributi/> or, with a tooltip, <tag attributi><title>..</title></tag>.
  // `titolo` is already escaped.
  void elemento(std::string_view tag, std::string_view attributi, std::string_view titolo = {});
  // <text attributi>contenuto</text>; `contenuto` is already escaped.
  void testo(std::string_view attributi, std::string_view contenuto);

  // The whole document, `altezza` pixels high, known only at the end; the
  // writer must not be used afterwards.
  std::string finisci(double altezza);

 private:
  double larghezza_;
  std::string stile_;
  std::string out_;
  int aperti_ = 0;
};

}  // namespace scenarioc::svg
