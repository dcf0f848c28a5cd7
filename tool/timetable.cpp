#include "tool/timetable.h"

#include <cstdio>
#include <string>

#include "compiler/row_scan.h"
#include "compiler/timetable.h"
#include "model/diagnostics.h"
#include "model/version.h"
#include "tool/check.h"
#include "tool/cli.h"
#include "tool/json.h"

namespace scenarioc {

const std::string_view timetable_usage =
    "usage: scenarioc timetable [--scenario NAME] [--train NUMBER] [--json] SOURCE_DIR\n"
    "\n"
    "Reads SOURCE_DIR/NAME_linea.txt and SOURCE_DIR/NAME_NUMBER-.txt as 'check' does\n"
    "and prints the train's timetable: one row per stretch between consecutive\n"
    "stations that have a time (from, to, kilometres, distance, the time given, the\n"
    "least time at the train's own speed limits and slowdowns, and the margin), the\n"
    "stations without a time passed on the way, then the timetable's warnings. The\n"
    "least time assumes no acceleration and no stop: a timetable that gives less\n"
    "cannot be kept by any train. Times are minutes:seconds.\n"
    "\n"
    "  --scenario NAME  scenario name (default Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default 254)\n"
    "  --json           print one JSON object instead:\n"
    "                   {\"stretches\": [{\"from\", \"to\", \"distance_m\", \"given_s\",\n"
    "                    \"least_s\", \"passed\"}], \"diagnostics\": [...], \"version\"}\n"
    "\n"
    "Exit status: 0 no error (warnings allowed); 1 a scenario error; 2 a text that\n"
    "cannot be read; 64 a wrong command line.\n";

namespace {

using namespace scenario;

// The warnings about times: the others are check's.
constexpr std::string_view timetable_codes[] = {
    "time-overflow", "time-backwards", "time-repeated", "hours-24-or-more",
    "clock-after-first-station", "timetable-too-fast"};

WarningOptions only_timetable_warnings() {
  WarningOptions w;
  for (const WarningCode& c : warning_codes) {
    bool keep = false;
    for (std::string_view t : timetable_codes) keep = keep || t == c.code;
    if (!keep) w.disabled.insert(std::string(c.code));
  }
  return w;
}

std::string name_of(const Modello& m, int entry) { return m.tabella_percorso[static_cast<std::size_t>(entry)].testo; }

std::string km(std::int64_t metres) {
  char b[32];
  std::snprintf(b, sizeof b, "%s%lld.%03lld", metres < 0 ? "-" : "",
                static_cast<long long>((metres < 0 ? -metres : metres) / 1000),
                static_cast<long long>((metres < 0 ? -metres : metres) % 1000));
  return b;
}

std::string minutes(std::int64_t s) {
  const std::string sign = s < 0 ? "-" : "";
  s = s < 0 ? -s : s;
  return sign + std::to_string(s / 60) + ":" + (s % 60 < 10 ? "0" : "") + std::to_string(s % 60);
}

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s + " ";
}

std::string as_text(const Modello& m, const Timetable& tt) {
  std::string out = padded("from", 20) + padded("to", 20) + padded("km", 15) + padded("distance", 10) +
                    padded("given", 8) + padded("least", 8) + "margin\n";
  for (const Stretch& s : tt.stretches) {
    out += padded(name_of(m, s.from.entry), 20) + padded(name_of(m, s.to.entry), 20) +
           padded(km(s.from.position) + "-" + km(s.to.position), 15) +
           padded(std::to_string(s.distance_m) + " m", 10) + padded(minutes(s.given_s), 8) +
           padded(s.least_s ? minutes(*s.least_s) : "-", 8) +
           (s.least_s ? minutes(s.given_s - *s.least_s) : std::string("none: speed limit 0")) + "\n";
    if (!s.passed.empty()) {
      out += "  passing";
      for (std::size_t i = 0; i < s.passed.size(); ++i)
        out += (i == 0 ? " " : ", ") + name_of(m, s.passed[i]);
      out += "\n";
    }
  }
  if (tt.stretches.empty()) out += "(no two stations with a time)\n";
  return out;
}

std::string as_json(const Modello& m, const Timetable& tt, const Sources& s, const WarningOptions& w) {
  Json j;
  j.begin_object().key("stretches").begin_list();
  for (const Stretch& st : tt.stretches) {
    j.begin_object();
    j.key("from").as_typed(name_of(m, st.from.entry));
    j.key("to").as_typed(name_of(m, st.to.entry));
    j.key("distance_m").integer(st.distance_m);
    j.key("given_s").integer(st.given_s);
    j.key("least_s");
    if (st.least_s) j.integer(*st.least_s); else j.null();
    j.key("passed").begin_list();
    for (int e : st.passed) j.as_typed(name_of(m, e));
    j.end_list();
    j.end_object();
  }
  j.end_list();
  j.key("diagnostics");
  scenarioc::as_json(j, m, s, w);
  j.key("version").text(scenario::version);
  j.end_object();
  return j.result();
}

}  // namespace

int run_timetable(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {"--json"}, {"--scenario", "--train"});
  if (a.help) {
    write_out(std::string(timetable_usage));
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("timetable takes one SOURCE_DIR");
  const FileNames names = names_in_folder(a, a.operands[0], FoundIn::texts);
  Sources s;
  if (!read_sources_or_refuse(a.operands[0], names, s, a.has("--json"),
                              [](Json& j) { j.key("stretches").begin_list().end_list(); }))
    return exit_failure;
  const WarningOptions w = only_timetable_warnings();
  const CompileResult r =
      compile_sources(s, {.names = as_stored(names), .build_plan = false, .diagnostic_limit = w.limit});
  const Modello& m = r.model;
  // Only a scenario read without an error has a timetable to judge.
  const Timetable tt = m.numero_errore == 0 && !m.celle.empty() && r.line_rows && r.train_rows
                           ? plan_timetable(m, scan_rows(*r.line_rows, *r.train_rows))
                           : Timetable{};
  if (a.has("--json")) {
    write_out(as_json(m, tt, s, w));
  } else {
    write_out(as_text(m, tt));
    write_err(scenarioc::as_text(m, s, w));
  }
  return r.status.ok() ? exit_ok : exit_error;
}

}  // namespace scenarioc
