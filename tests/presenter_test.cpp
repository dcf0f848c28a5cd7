// The terminal's text and the JSON of --json render one presenter walk:
// for every diagnostic and note, in order, they must name the same file,
// line and column and say the same severity, with and without -Werror.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiled_in_memory.h"
#include "scenario_fixture.h"
#include "tool/diagnostics.h"
#include "tool/json.h"

namespace {

using scenarioc::Sources;
using scenarioc::WarningOptions;
using testing_support::line_with;
using testing_support::train_with;

// The head of one message: where it stands and what kind it is ("error",
// "warning" or "note"); a place not known is empty.
struct Head {
  std::string file, line, column, kind;
  bool operator==(const Head&) const = default;
};

void PrintTo(const Head& h, std::ostream* os) {
  *os << h.file << ":" << h.line << ":" << h.column << ": " << h.kind;
}

std::string upto(std::string_view& rest, std::string_view stops) {
  const std::size_t end = std::min(rest.find_first_of(stops), rest.size());
  std::string word(rest.substr(0, end));
  rest.remove_prefix(std::min(end + 1, rest.size()));
  return word;
}

// "FILE:LINE:COL: kind ..." or "FILE: kind ..." lines; source lines and
// carets are skipped.
std::vector<Head> text_heads(const std::string& out, const Sources& s) {
  std::vector<Head> heads;
  std::string_view all = out;
  while (!all.empty()) {
    std::string_view line = all.substr(0, all.find('\n'));
    all.remove_prefix(std::min(line.size() + 1, all.size()));
    for (const std::string& name : {s.linea.percorso, s.treno.percorso}) {
      if (!line.starts_with(name + ":")) continue;
      std::string_view rest = line.substr(name.size() + 1);
      Head h{name, "", "", ""};
      if (!rest.empty() && std::isdigit(static_cast<unsigned char>(rest[0]))) {
        h.line = upto(rest, ":");
        h.column = upto(rest, ":");
      }
      rest.remove_prefix(1);  // the blank after the colon
      h.kind = upto(rest, " :");
      heads.push_back(h);
    }
  }
  return heads;
}

Head json_head(const nlohmann::json& o, const std::string& kind) {
  auto text = [](const nlohmann::json& v) { return v.is_null() ? std::string() : v.dump(); };
  return {o.at("file").is_null() ? "" : o.at("file").get<std::string>(), text(o.at("line")),
          text(o.at("column")), kind};
}

std::vector<Head> json_heads(const std::string& out) {
  std::vector<Head> heads;
  for (const nlohmann::json& d : nlohmann::json::parse(out)) {
    heads.push_back(json_head(d, d.at("severity").get<std::string>()));
    for (const nlohmann::json& n : d.at("notes")) heads.push_back(json_head(n, "note"));
  }
  return heads;
}

TEST(Presenter, TextAndJsonNameTheSamePlaces) {
  // A warning in the line text, and an error whose notes stand on another
  // row, on its own line, and nowhere (the remedy).
  const std::string linea = line_with("pendnza, 7100, 4\r\n", 30000);
  const std::string treno = train_with(
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, VALDORA\r\n"
      "segnale, 600, 2, 4, 0, 0, 0, 0, 0,0,0, 0\r\n");
  const testing_support::Compiled c =
      testing_support::compile_in_memory(linea, treno, testing_support::Place::line);
  const Sources s{{"Prova_linea.txt", linea}, {"Prova_7-.txt", treno}};
  for (const bool as_errors : {false, true}) {
    WarningOptions w;
    w.as_errors = as_errors;
    scenarioc::Json j;
    scenarioc::as_json(j, c.m, s, w);
    const std::vector<Head> from_json = json_heads(j.result());
    EXPECT_EQ(text_heads(scenarioc::as_text(c.m, s, w), s), from_json) << "-Werror " << as_errors;
    // Both kinds of diagnostic and all three kinds of note are there.
    ASSERT_GE(from_json.size(), 5u);
    EXPECT_EQ(from_json.front().kind, as_errors ? "error" : "warning");
  }
}

}  // namespace
