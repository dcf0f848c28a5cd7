// Times the largest accepted scenario: its compilation with the writing of
// the three compiled files, the writing alone, and `cp` of the same bytes in
// the same run, and reports the peak memory of the process.
//   build/bin/compile_perftest [runs]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "compiler/compile.h"
#include "driver/one_shot_run.h"
#include "format/compiled_files.h"
#include "model/file_names.h"
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

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  testing_support::TempDir dir;
  const testing_support::LargeScenario s = testing_support::large_scenario();
  const NomiFile nomi{"Grande", "1"};

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
    m.cartella = dir.str();
    m.nome_scenario = nomi.nome_scenario;
    m.numero_treno = nomi.numero_treno;

    auto t0 = Clock::now();
    memorizza_percorso(m, 1);
    best_compile = std::min(best_compile, ms_since(t0));
    if (m.numero_errore != 0) {
      std::fprintf(stderr, "compile_perftest: recorded error %d at %d m\n", m.numero_errore, m.posizione_errore);
      return 1;
    }

    rimuovi_compilati();
    t0 = Clock::now();
    scrivi_file_compilati(m);
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
  std::printf("  peak memory: %.1f MiB\n", static_cast<double>(peak_kib()) / 1024.0);
  return 0;
}
