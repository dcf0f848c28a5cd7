// What the parts of the picture share: the stretch shown, the stations, the
// page's geometry, the marks of the cell kinds and the placing of labels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "render/line.h"
#include "render/svg.h"

namespace render {

inline constexpr double page_width = 1600;
inline constexpr double margin = 20;          // around the plan
inline constexpr double axis_left = 120;   // profiles: where the kilometre axis starts
inline constexpr double axis_right = page_width - 110;

struct Station {
  int entry;                  // route entry
  std::int32_t position;    // metres (dato3)
  std::uint8_t tipo_voce;
  std::string name;          // escaped for the document
};

struct Scene {
  const CompiledScenario& compiled;
  std::int32_t route_length;    // route length, metres
  double from, to;              // the stretch shown, metres
  std::vector<Station> stations;
  double km_step;           // between kilometre ticks
  bool zoom;                 // a part of the line, not all of it
  bool tooltips;         // marks carry tooltips (not when there are very many)

  bool shows(double metres) const { return metres >= from && metres <= to; }
  // Cell c stands for the 50 m ending at c x 50 m; its marks stand at its
  // middle, those of cell 0 (before the line) at its start.
  static double cell_middle(std::size_t c) { return c == 0 ? 0.0 : (static_cast<double>(c) - 0.5) * 50.0; }
  bool cell_shown(std::size_t c) const { return shows(cell_middle(c)); }
  // The profiles' x for a position in metres.
  double x(double metres) const { return axis_left + (metres - from) / (to - from) * (axis_right - axis_left); }
  // A kilometre value as the axis writes it.
  std::string km(double metres) const;
};

// "km 12.35": position for tooltips, to the metre.
std::string km_exact(double metres);

// The marks of the cell kinds, each one element with the kind's class; the
// legend draws the same shapes with "key-" classes so that marks can be
// counted by class.
enum class Mark {
  signal,
  slowdown_end,
  slowdown_start,
  slowdown_warning,
  slowdown_approach,
  abbattimento_value,
  abbattimento,
  text_board,
  station_stop,
  speed_board,
};

struct MarkStyle {
  Mark mark;
  std::string_view css_class;
  std::string_view label;  // for the legend
};

const std::vector<MarkStyle>& marks();
// The cell kind's mark; false for kinds without one (empty, mountain marker, unknown).
bool mark_of(std::uint8_t tipo_cella, Mark& s);
// The outlines the marks refer to, for the document's head.
std::string mark_definitions();
// One mark centred at (x, y); `title` (escaped) becomes its tooltip. The
// feature strip puts its lanes' y into their groups and passes y = 0.
void draw_mark(svg::Document& doc, Mark s, double x, double y, std::string_view title,
                   bool in_legend = false);
// What a cell holds, in words, for its mark's tooltip (escaped).
std::string describe_cell(const Scene& s, std::size_t c);

// Labels that must not cover each other: boxes already taken.
struct Box {
  double x0, y0, x1, y1;
};
enum class Anchor { start, middle, end };
// How wide a document text (escaped UTF-8) is taken to be: capitals and
// digits wider than small letters, blanks and stops narrower, bold a tenth
// wider. The placers and the test that no two labels overlap both use this
// one estimate, so what the test checks is what the placers avoided.
double text_width(std::string_view escaped_utf8, double font_size, bool bold = false);
// The box a text takes with its baseline at `baseline` and its anchor at `x`.
Box text_box(double x, double baseline, std::string_view escaped_utf8, double font_size, Anchor anchor,
             bool bold = false);
// The number of characters a document text shows (entities count as one).
std::size_t char_count(std::string_view escaped_utf8);

class LabelSpace {
 public:
  explicit LabelSpace(Box area) : area_(area) {}
  // Whether `r` lies in the area and clear of every box taken; takes it if so.
  bool take(const Box& r);
  void block(const Box& r) { taken_.push_back(r); }
  // Whether `r` is clear of every box taken, wherever it lies.
  bool clear(const Box& r) const;

 private:
  Box area_;
  std::vector<Box> taken_;
};

// The parts of the page. Each draws from the top `y` down and returns the
// height it took.
double draw_plan(svg::Document& doc, const Scene& s, double y);
double draw_profiles(svg::Document& doc, const Scene& s, double y);
// The distance-time strip; nothing (height 0) unless the train has two
// stations with a time.
double draw_timetable(svg::Document& doc, const Scene& s, double y);
bool has_timetable(const Scene& s);

}  // namespace render
