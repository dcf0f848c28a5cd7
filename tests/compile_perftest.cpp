// Times the largest accepted scenario: its compilation with the writing of
// the three compiled files, the writing alone, and `cp` of the same bytes in
// the same run; then the compilation in memory alone and `scenarioc check`
// in the process, on the largest scenario and on the embedded one; and
// reports the peak memory of the process.
//   build/bin/compile_perftest [runs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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
#include "large_scenario.h"
#include "test_support.h"

namespace {

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
    const CompileResult compiled = compile({l, t}, {nomi, true, nullptr});
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

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
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
  std::printf("  peak memory: %.1f MiB\n", static_cast<double>(peak_kib()) / 1024.0);
  return grande.error || embedded.error ? 1 : 0;
}
