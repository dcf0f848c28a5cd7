// The picture's distance-time strip marks exactly the stretches check warns
// no train can keep, to the second, though it reads the slowdowns back from
// the cells where check reads them from the rows; without two timed
// stations there is no strip.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "render/line.h"
#include "warning_test_support.h"

namespace {

using namespace testing_support;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string picture(Compiled c) {
  render::CompiledScenario l{c.m.tabella_percorso, std::move(c.m.celle), std::move(c.m.tracciato)};
  EXPECT_EQ(render::mismatch(l), std::nullopt);
  return render::draw_scenario(l, 0, render::axis_end(l));
}

// From 1000 m to 11000 m the least time is 336 s (worked out by hand in
// the plausibility tests): 100 km/h, then 150 km/h, and 60 km/h over the
// slowdown from 8000 to 9000 m.
TEST(TimetableStrip, MarksTheStretchesCheckWarnsAbout) {
  const std::string rows = "velocita, 0, 100\r\nvelocita, 6000, 150\r\naderenza, 0, 95\r\n"
                           "rallentamento, 8000, 60, 1000, 0, 0, 0\r\n" + station_row(1000, "13,57, 0");
  for (const auto& [arrival, too_soon] : {std::pair{"14,2, 35", true}, {"14,2, 36", false}}) {
    SCOPED_TRACE(arrival);
    Compiled c = compile_placed(
        bare_line, train_with(rows + station_row(11000, arrival, "ORVENO") + station_row(20000, "14,30, 0", "LOVEDRO")));
    const std::vector<Seen> warned = {{"timetable-too-fast", 't', 7, 52}};
    ASSERT_EQ(c.seen, too_soon ? warned : std::vector<Seen>{});
    const std::string svg = picture(std::move(c));
    EXPECT_EQ(count(svg, "<g id=\"timetable\""), 1u);
    EXPECT_EQ(count(svg, "class=\"least-time\""), 2u);  // one line per stretch
    EXPECT_EQ(count(svg, "class=\"timed-station\""), 3u);
    EXPECT_EQ(count(svg, "class=\"too-fast\""), too_soon ? 1u : 0u);
    if (too_soon) {
      EXPECT_NE(svg.find("VALDORA to ORVENO: 10000 m in 5 min 35 s, but at least 5 min 36 s at the "
                         "train&apos;s limits: no train can keep it"),
                std::string::npos);
    }
  }
}

TEST(TimetableStrip, NeedsTwoTimedStations) {
  for (const std::string& stations :
       {std::string(), station_row(1000, "13,57, 0"),
        station_row(1000, "0,0, 0") + station_row(11000, "14,10, 0", "ORVENO")}) {
    const std::string svg =
        picture(compile_placed(bare_line, train_with("velocita, 0, 100\r\n" + stations)));
    EXPECT_EQ(svg.find("id=\"timetable\""), std::string::npos) << stations;
    EXPECT_EQ(svg.find("class=\"key-timetable\""), std::string::npos) << stations;
  }
}

}  // namespace
