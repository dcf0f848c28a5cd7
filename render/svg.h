// A small SVG writer for scenarioc render: numbers in a short fixed form,
// the scenario's 8-bit texts turned into escaped UTF-8, and elements written
// one after another into a string that is only saved once it is complete.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace render::svg {

// Windows-1252 bytes as UTF-8 with &, <, >, " and ' escaped. Bytes XML
// cannot carry (control codes, the five unassigned 1252 codes) become
// U+FFFD, so any route file text gives a well-formed document.
std::string cp1252_text(std::string_view cp1252);

// A text of our own, already UTF-8 (labels, numbers), escaped for XML.
std::string utf8_text(std::string_view utf8);

// `v` with at most `decimals` decimals, trailing zeros dropped ("12.5",
// "-3", "0"). Never "nan" or "inf": what is not finite prints as 0, so a
// damaged value cannot break the document.
std::string num(double v, int decimals = 1);

struct Point {
  double x, y;
};

// A path's "d" for a polyline, in tenths of a pixel: the first point
// absolute, the others relative to it ("M12.5 30 l1.2 -0.4 ..."), which
// takes about a third less room than absolute points. "" for no point.
std::string polyline(const std::vector<Point>& points);

// A document under construction. open_group/close_group nest groups; elements are
// written whole with their attributes already formatted.
class Document {
 public:
  Document(double width, std::string_view style);

  // <g id=...> (id may be empty) with further attributes, and its end.
  void open_group(std::string_view id, std::string_view attributes = {});
  void close_group();

  // Markup written as it is (definitions made by the caller).
  void raw(std::string_view markup) { out_ += markup; }

  // <tag attributes/> or, with a tooltip, <tag attributes><title>..</title></tag>.
  // `title` is already escaped.
  void element(std::string_view tag, std::string_view attributes, std::string_view title = {});
  // <text attributes>content</text>; `content` is already escaped.
  void text(std::string_view attributes, std::string_view content);

  // The whole document, `height` pixels high, known only at the end; the
  // writer must not be used afterwards.
  std::string finish(double height);

 private:
  double width_;
  std::string style_;
  std::string out_;
  int open_groups_ = 0;
};

}  // namespace render::svg
