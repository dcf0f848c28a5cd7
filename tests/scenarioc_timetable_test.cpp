// scenarioc timetable: the embedded scenario's one stretch with its least
// time, a stretch no train can keep named on standard error and in JSON, and
// a wrong command line.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

#include "in_process.h"
#include "model/version.h"
#include "scenario_fixture.h"
#include "test_support.h"

namespace {

using testing_support::scenarioc;
using testing_support::TempDir;
using testing_support::write_bytes;

TEST(ScenariocTimetable, TheEmbeddedScenarioKeepsItsTimetable) {
  TempDir dir;
  ASSERT_EQ(scenarioc({"texts", dir.str()}).status, 0);
  const testing_support::ToolRun text = scenarioc({"timetable", dir.str()});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out.substr(0, text.out.find('\n') + 1),
            "from                 to                   km              distance   given    least    "
            "margin\n");
  EXPECT_NE(text.out.find("VALDORA              VEDONA CENTRALE      0.000-83.000    83000 m    "
                          "48:00    38:07    9:53\n  passing BIVIO CERSA, CASTELVERDO DURV., "),
            std::string::npos)
      << text.out;

  const testing_support::ToolRun json = scenarioc({"timetable", "--json", dir.str()});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out.substr(0, json.out.find("\"passed\"")),
            "{\"stretches\": [{\"from\": \"VALDORA\", \"to\": \"VEDONA CENTRALE\", \"distance_m\": "
            "83000, \"given_s\": 2880, \"least_s\": 2287, ");
  EXPECT_NE(json.out.find("\"diagnostics\": [], \"version\": \"" + std::string(scenario::version) + "\"}\n"),
            std::string::npos)
      << json.out;
}

TEST(ScenariocTimetable, AStretchNoTrainCanKeepIsNamed) {
  TempDir dir;
  write_bytes(dir / "Prova_linea.txt", testing_support::line_with("", 30000));
  write_bytes(dir / "Prova_7-.txt",
              testing_support::train_with(
                  "velocita, 0, 150\r\n"
                  "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, VALDORA\r\n"
                  "stazione, 12500, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 30, ORVENO\r\n"));
  const testing_support::ToolRun text =
      scenarioc({"timetable", "--scenario", "Prova", "--train", "7", dir.str()});
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("VALDORA              ORVENO               0.000-12.500    12500 m    "
                          "0:30     5:00     -4:30\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.err.find("Prova_7-.txt:4:52: warning: the timetable gives 30 s from station VALDORA "
                          "to station ORVENO (12500 m), an average of 1500 km/h, but even at the "
                          "train's speed limits and slowdowns the stretch takes at least 5 min 0 s"),
            std::string::npos)
      << text.err;
  const testing_support::ToolRun json =
      scenarioc({"timetable", "--json", "--scenario", "Prova", "--train", "7", dir.str()});
  EXPECT_NE(json.out.find("\"given_s\": 30, \"least_s\": 300"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"code\": \"timetable-too-fast\""), std::string::npos) << json.out;
  EXPECT_EQ(json.err, "");  // as check --json: the object says it all
}

// As check refuses it: the text named, nothing compiled; in JSON on
// standard output only.
TEST(ScenariocTimetable, AMissingTextIsRefused) {
  TempDir dir;
  write_bytes(dir / "Prova_linea.txt", testing_support::line_with("", 30000));
  const std::string treno = (dir / "Prova_7-.txt").string();
  const testing_support::ToolRun text =
      scenarioc({"timetable", "--scenario", "Prova", "--train", "7", dir.str()});
  EXPECT_EQ(text.status, 2);
  EXPECT_EQ(text.out, "");
  EXPECT_EQ(text.err, treno + ": error: cannot read the train description: does not exist\n");
  const testing_support::ToolRun json =
      scenarioc({"timetable", "--json", "--scenario", "Prova", "--train", "7", dir.str()});
  EXPECT_EQ(json.status, 2);
  EXPECT_EQ(json.err, "");
  // The path as JSON writes it (a Windows path's backslashes doubled).
  EXPECT_EQ(json.out, "{\"diagnostics\": [{\"file\": " + nlohmann::json(treno).dump() + ", \"line\": null, \"column\": null, "
                      "\"severity\": \"error\", \"code\": \"unreadable-text\", \"message\": \"cannot "
                      "read the train description: does not exist\", \"notes\": []}], \"stretches\": [], "
                      "\"version\": \"" + std::string(scenario::version) + "\"}\n");
}

TEST(ScenariocTimetable, WrongCommandLinesExit64) {
  EXPECT_EQ(scenarioc({"timetable"}).status, 64);
  EXPECT_EQ(scenarioc({"timetable", "--fast", "x"}).status, 64);
  EXPECT_EQ(scenarioc({"timetable", "--help"}).status, 0);
}

}  // namespace
