// Times the largest accepted scenario: its compilation with the writing of
// the three compiled files, the writing alone, and `cp` of the same bytes in
// the same run; its decompilation; then the compilation in memory alone and
// `scenarioc check` in the process, on the largest scenario and on the
// embedded one; and reports the peak memory of the process. With --processes, the programs as
// their users start them instead (see the usage below).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "compiler/compile.h"
#include "decompiler/decompile.h"
#include "driver/one_shot_run.h"
#include "format/compiled_files.h"
#include "model/file_names.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "tool/check.h"
#include "benchmark_arguments.h"
#include "large_scenario.h"
#include "long_lines.h"
#include "process_timing.h"
#include "test_support.h"

namespace {

constexpr std::string_view usage =
    "usage: compile_perftest [--processes] [RUNS]\n"
    "\n"
    "In the process (the default): the largest scenario compiled and its three\n"
    "compiled files written, the writing alone and `cp` of the same files, the\n"
    "files decompiled back to texts (the proof included), then the compilation\n"
    "and `scenarioc check` in memory of the largest and the embedded scenario,\n"
    "and of texts written on one long line beside the same fields on many lines;\n"
    "the best of RUNS runs (default 5).\n"
    "\n"
    "  --processes  the programs as processes: `scenarioc compile` of the largest\n"
    "               scenario and `cp` of its three compiled files, alternated RUNS\n"
    "               times (default 21), each replacing the files it wrote the time\n"
    "               before; the medians of their wall and processor times and their\n"
    "               ratios, the compile's peak memory and page faults; `scenarioc\n"
    "               check` of the embedded scenario and `scenarioc --version`,\n"
    "               alternated, and the difference of their medians; then the\n"
    "               one-shot program belvara_quintosa run in a folder of its own.\n"
    "               The load average is printed with the figures.\n"
    "  --help       this text\n";

using Clock = std::chrono::steady_clock;
using namespace scenario;

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

long peak_kib() {
#if defined(_WIN32)
  return -1;
#else
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
#endif
}

struct InMemory {
  double compile = 1e30, check = 1e30;
  std::size_t warnings = 0;
  bool error = false;
};

// The compilation alone, from texts in memory, and the check as scenarioc
// runs it in the process (compilation, diagnostics, their text).
InMemory in_memory(const std::string& linea, const std::string& treno, const FileNames& nomi,
                   int runs) {
  InMemory r;
  for (int run = 0; run < runs; ++run) {
    TextInMemory l(linea, "linea"), t(treno, "treno");
    auto t0 = Clock::now();
    const CompileResult compiled = compile({l, t}, {.names = nomi});
    r.compile = std::min(r.compile, ms_since(t0));

    scenarioc::Sources s{{"linea", linea}, {"treno", treno}};
    t0 = Clock::now();
    const scenarioc::CheckResult c = scenarioc::check_sources(s, nomi, {}, false);
    r.check = std::min(r.check, ms_since(t0));
    r.warnings = scenarioc::warnings_shown(c.compiled.model, {});
    r.error = c.status != 0;
  }
  return r;
}

}  // namespace

#if !defined(_WIN32)
// `a` and `b` started in turns `runs` times, the one that goes first
// changing every run, so that both see the same machine; false when one
// fails.
bool alternated(const std::vector<std::string>& a, const std::vector<std::string>& b, int runs,
                std::vector<testing_support::ProcessRun>& a_runs,
                std::vector<testing_support::ProcessRun>& b_runs) {
  using testing_support::run_process;
  for (int run = 0; run < runs; ++run) {
    if (run % 2 == 0) {
      a_runs.push_back(run_process(a));
      b_runs.push_back(run_process(b));
    } else {
      b_runs.push_back(run_process(b));
      a_runs.push_back(run_process(a));
    }
    if (a_runs.back().status != 0 || b_runs.back().status != 0) return false;
  }
  return true;
}

// The median of one figure of each run.
double median_of(const std::vector<testing_support::ProcessRun>& runs, double (*figure)(const testing_support::ProcessRun&)) {
  std::vector<double> v;
  for (const testing_support::ProcessRun& r : runs) v.push_back(figure(r));
  return testing_support::median(v);
}
double wall(const testing_support::ProcessRun& r) { return r.wall_ms; }
double processor(const testing_support::ProcessRun& r) { return r.cpu_ms; }
double faults(const testing_support::ProcessRun& r) { return static_cast<double>(r.page_faults); }

// What the user of each program waits for: whole processes, started and
// waited for, `scenarioc compile` and `cp` taking turns so that both see
// the same machine.
int processes(int runs) {
  using testing_support::median;
  using testing_support::ProcessRun;
  using testing_support::run_process;
  testing_support::TempDir dir;
  const testing_support::LargeScenario s = testing_support::large_scenario();
  const FileNames nomi{"Grande", "1"};
  std::filesystem::create_directories(dir / "out");
  std::filesystem::create_directories(dir / "copy");
  testing_support::write_bytes(dir / nomi.linea_txt(), s.linea);
  testing_support::write_bytes(dir / nomi.treno_txt(), s.treno);
  const std::vector<std::string> compile = {SCENARIOC_EXE, "compile", "--scenario", "Grande", "--train",
                                            "1", "--out", (dir / "out").string(), dir.str()};
  std::vector<std::string> cp = {"cp"};
  std::uintmax_t bytes = 0;
  for (const std::string& f : {nomi.linea_dat(), nomi.percorso_sim(), nomi.celle_dat()}) {
    cp.push_back((dir / "out" / f).string());
  }
  cp.push_back((dir / "copy").string());

  const double load_before = testing_support::load_average();
  // Once each first, so both replace files of their own in every timed run.
  if (run_process(compile).status != 0 || run_process(cp).status != 0) {
    std::fputs("compile_perftest: scenarioc compile or cp failed\n", stderr);
    return 1;
  }
  for (std::size_t i = 1; i + 1 < cp.size(); ++i) bytes += std::filesystem::file_size(cp[i]);
  std::vector<ProcessRun> compiles, copies;
  if (!alternated(compile, cp, runs, compiles, copies)) {
    std::fputs("compile_perftest: scenarioc compile or cp failed\n", stderr);
    return 1;
  }
  long peak = 0;
  for (const ProcessRun& c : compiles) peak = std::max(peak, c.peak_kib);

  // scenarioc check of the embedded scenario against scenarioc --version,
  // alternated: what checking costs beyond starting the program.
  const FileNames embedded{"Belvara_Quintosa", "254"};
  std::filesystem::create_directories(dir / "embedded");
  testing_support::write_bytes(dir / "embedded" / embedded.linea_txt(), joined_lines(righe_linea()));
  testing_support::write_bytes(dir / "embedded" / embedded.treno_txt(), joined_lines(righe_treno()));
  const std::vector<std::string> check = {SCENARIOC_EXE, "check", (dir / "embedded").string()};
  const std::vector<std::string> version = {SCENARIOC_EXE, "--version"};
  std::vector<ProcessRun> checks, versions;
  if (!alternated(check, version, runs, checks, versions)) {
    std::fputs("compile_perftest: scenarioc check or --version failed\n", stderr);
    return 1;
  }

  // The one-shot program writes beside itself: a copy of it in a folder of
  // its own.
  std::filesystem::create_directories(dir / "one_shot");
  const std::string one_shot = (dir / "one_shot" / "belvara_quintosa").string();
  std::filesystem::copy_file(BELVARA_QUINTOSA_EXE, one_shot);
  std::vector<double> one_shot_wall, one_shot_cpu;
  for (int run = 0; run < runs; ++run) {
    const ProcessRun r = run_process({one_shot}, (dir / "one_shot").string());
    if (r.status != 0) {
      std::fputs("compile_perftest: belvara_quintosa failed\n", stderr);
      return 1;
    }
    one_shot_wall.push_back(r.wall_ms);
    one_shot_cpu.push_back(r.cpu_ms);
  }
  const double load_after = testing_support::load_average();

  const double cw = median_of(compiles, wall), cc = median_of(compiles, processor);
  const double kw = median_of(copies, wall), kc = median_of(copies, processor);
  const double check_wall = median_of(checks, wall), version_wall = median_of(versions, wall);
  std::printf("whole processes, medians of %d alternated runs (load average %.2f before, %.2f after)\n",
              runs, load_before, load_after);
  std::printf("  scenarioc compile, largest: %7.1f ms wall, %7.1f ms processor\n", cw, cc);
  std::printf("  cp of its %ju bytes:     %7.1f ms wall, %7.1f ms processor\n", bytes, kw, kc);
  std::printf("  ratio compile / cp:          %7.2f wall, %7.2f processor\n", cw / kw, cc / kc);
  std::printf("  compile: peak memory %.1f MiB, %.0f page faults\n", static_cast<double>(peak) / 1024.0,
              median_of(compiles, faults));
  std::printf("  scenarioc check, embedded:   %7.2f ms wall, %.0f page faults\n", check_wall,
              median_of(checks, faults));
  std::printf("  scenarioc --version:         %7.2f ms wall, %.0f page faults\n", version_wall,
              median_of(versions, faults));
  std::printf("  check beyond --version:      %7.2f ms wall (aim: under 2 ms)\n", check_wall - version_wall);
  std::printf("  belvara_quintosa, embedded:  %7.1f ms wall, %7.1f ms processor\n",
              median(one_shot_wall), median(one_shot_cpu));
  return 0;
}
#endif

int main(int argc, char** argv) {
  const testing_support::BenchmarkArguments a =
      testing_support::benchmark_arguments(argc, argv, usage, {"--processes"}, 0, 1);
  if (a.has("--processes")) {
#if defined(_WIN32)
    std::fputs("compile_perftest: --processes is measured on POSIX systems only\n", stderr);
    return 64;
#else
    return processes(a.count != 0 ? a.count : 21);
#endif
  }
  const int runs = a.count != 0 ? a.count : 5;
  testing_support::TempDir dir;
  const testing_support::LargeScenario s = testing_support::large_scenario();
  const FileNames nomi{"Grande", "1"};

  double best_compile = 1e30, best_write = 1e30, best_cp = 1e30;
  std::uintmax_t bytes = 0;
  for (int run = 0; run < runs; ++run) {
    testing_support::write_bytes(dir / nomi.linea_txt(), s.linea);
    testing_support::write_bytes(dir / nomi.treno_txt(), s.treno);
    // Like cp into an empty directory: no earlier compiled file to delete.
    auto rimuovi_compilati = [&] {
      for (const std::string& f : {nomi.linea_dat(), nomi.percorso_sim(), nomi.celle_dat()})
        std::filesystem::remove(dir / f);
    };
    rimuovi_compilati();
    Modello m;
    m.nome_scenario = nomi.nome_scenario;
    m.numero_treno = nomi.numero_treno;

    auto t0 = Clock::now();
    memorizza_percorso(m, dir.str(), 1);
    best_compile = std::min(best_compile, ms_since(t0));
    if (m.numero_errore != 0) {
      std::fprintf(stderr, "compile_perftest: recorded error %d at %d m\n", m.numero_errore, m.posizione_errore);
      return 1;
    }

    rimuovi_compilati();
    t0 = Clock::now();
    write_compiled_files(m, dir.str());
    best_write = std::min(best_write, ms_since(t0));

    bytes = 0;
    std::string sources, copies;
    for (const std::string& f : {nomi.linea_dat(), nomi.percorso_sim(), nomi.celle_dat()}) {
      bytes += std::filesystem::file_size(dir / f);
      sources += " \"" + (dir / f).string() + "\"";
    }
    std::filesystem::create_directories(dir / "copy");
    t0 = Clock::now();
    if (testing_support::run_command("cp" + sources + " \"" + (dir / "copy").string() + "\"") != 0) return 1;
    best_cp = std::min(best_cp, ms_since(t0));
    std::filesystem::remove_all(dir / "copy");
  }

  std::printf("largest scenario: %ju bytes of compiled files, best of %d runs\n", bytes, runs);
  std::printf("  compile and write: %8.1f ms\n", best_compile);
  std::printf("  write alone:       %8.1f ms\n", best_write);
  std::printf("  cp of the files:   %8.1f ms (a process start included)\n", best_cp);
  std::printf("  ratio compile+write / cp: %.2f\n", best_compile / best_cp);

  // The compiled files back to texts, with the proof (a compilation of the
  // texts in memory and the comparison of every byte).
  const std::string linea_dat = testing_support::read_bytes(dir / nomi.linea_dat());
  const std::string percorso = testing_support::read_bytes(dir / nomi.percorso_sim());
  const std::string celle = testing_support::read_bytes(dir / nomi.celle_dat());
  double best_decompile = 1e30;
  bool exact = true;
  for (int run = 0; run < runs; ++run) {
    const auto t0 = Clock::now();
    const Decompiled d = decompile({linea_dat, percorso, celle}, nomi);
    best_decompile = std::min(best_decompile, ms_since(t0));
    exact = exact && d.exact();
  }
  std::printf("  decompile, proof included: %8.1f ms (%s; the limit is 2000 ms)\n", best_decompile,
              exact ? "exact" : "NOT EXACT");
  if (!exact || best_decompile > 2000) return 1;

  const InMemory grande = in_memory(s.linea, s.treno, nomi, runs);
  const InMemory embedded = in_memory(joined_lines(righe_linea()), joined_lines(righe_treno()),
                                      {"Belvara_Quintosa", "254"}, runs * 4);
  std::printf("in memory, best of %d runs (the embedded scenario: %d):\n", runs, runs * 4);
  std::printf("  compile, largest:  %8.2f ms\n", grande.compile);
  std::printf("  check, largest:    %8.2f ms (%zu warnings%s)\n", grande.check, grande.warnings,
              grande.error ? ", an error" : "");
  std::printf("  compile, embedded: %8.2f ms\n", embedded.compile);
  std::printf("  check, embedded:   %8.2f ms (%zu warnings%s)\n", embedded.check,
              embedded.warnings, embedded.error ? ", an error" : "");
  // One long line costs what the same fields on many lines cost.
  const std::string linea = joined_lines(righe_linea()), treno = joined_lines(righe_treno());
  const FileNames embedded_names{"Belvara_Quintosa", "254"};
  const InMemory commas = in_memory(linea, testing_support::commas_text(1 << 20, true), embedded_names, runs);
  const InMemory commas_lines =
      in_memory(linea, testing_support::commas_text(1 << 20, false), embedded_names, runs);
  const InMemory curves = in_memory(testing_support::curve_rows_text(40'000, true), treno, embedded_names, runs);
  const InMemory curves_lines =
      in_memory(testing_support::curve_rows_text(40'000, false), treno, embedded_names, runs);
  std::printf("  check, 1 MB of commas (train text), on one line: %8.2f ms, on lines of 30: %8.2f ms\n",
              commas.check, commas_lines.check);
  std::printf("  check, 40,000 curve rows, on one line:           %8.2f ms, one per line:  %8.2f ms\n",
              curves.check, curves_lines.check);
  std::printf("  peak memory: %.1f MiB\n", static_cast<double>(peak_kib()) / 1024.0);
  return grande.error || embedded.error ? 1 : 0;
}
