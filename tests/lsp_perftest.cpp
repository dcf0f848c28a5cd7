// How soon diagnostics follow a change, measured over the protocol: scenarioc
// lsp runs as a process on pipes, a train text and its line text are opened,
// and the train text is changed back and forth between a version with an
// error and the sound one. Each change is timed from the write of its
// didChange to the arrival of the publishDiagnostics for its version.
// For the embedded scenario and the 1,000,000 m one.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
int main() {
  std::puts("lsp_perftest: POSIX only");
  return 0;
}
#else
#include <signal.h>
#include <sys/resource.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "benchmark_arguments.h"
#include "large_scenario.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "test_support.h"

extern char** environ;

namespace {

constexpr std::string_view usage =
    "usage: lsp_perftest [CHANGES]\n"
    "\n"
    "Starts `scenarioc lsp`, opens the embedded scenario's train text, then the\n"
    "largest scenario's, and changes each CHANGES times (default 40, at least 2),\n"
    "between a version with an error and the sound one; prints the time from\n"
    "each didChange to its publishDiagnostics (median and worst) and the\n"
    "server's processor time per change.\n"
    "\n"
    "  --help  this text\n";

using Clock = std::chrono::steady_clock;
using nlohmann::json;

class Server {
 public:
  Server() {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) std::exit(1);
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, in[0], 0);
    posix_spawn_file_actions_adddup2(&a, out[1], 1);
    posix_spawn_file_actions_addclose(&a, in[1]);
    posix_spawn_file_actions_addclose(&a, out[0]);
    char exe[] = SCENARIOC_EXE;
    char command[] = "lsp";
    char* argv[] = {exe, command, nullptr};
    if (posix_spawn(&pid_, exe, &a, nullptr, argv, environ) != 0) {
      std::perror("lsp_perftest: cannot start scenarioc");
      std::exit(1);
    }
    posix_spawn_file_actions_destroy(&a);
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Server() {
    close(to_);
    close(from_);
    int status = 0;
    waitpid(pid_, &status, 0);
  }

  void send(const json& message) {
    const std::string body = message.dump();
    const std::string bytes = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = write(to_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) std::exit(1);
      done += static_cast<std::size_t>(n);
    }
  }

  json receive() {
    std::string header;
    while (header.size() < 4 || header.compare(header.size() - 4, 4, "\r\n\r\n") != 0) header += byte();
    const std::size_t length = std::stoul(header.substr(header.find(':') + 1));
    std::string body;
    while (body.size() < length) body += byte();
    return json::parse(body);
  }

 private:
  char byte() {
    if (pos_ == got_) {
      const ssize_t n = read(from_, buffer_, sizeof buffer_);
      if (n <= 0) {
        std::fputs("lsp_perftest: the server ended\n", stderr);
        std::exit(1);
      }
      got_ = static_cast<std::size_t>(n);
      pos_ = 0;
    }
    return buffer_[pos_++];
  }

  pid_t pid_ = 0;
  int to_ = -1, from_ = -1;
  char buffer_[65536];
  std::size_t pos_ = 0, got_ = 0;
};

struct Figures {
  double open_ms, median_ms, worst_ms;
  double cpu_ms;  // the server's own processor time per change, load or not
  std::size_t diagnostics_with_error;
  double tokens_ms;  // semantic tokens of the slower of the two texts
};

double children_cpu_ms() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  const long long us = (static_cast<long long>(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000000 +
                       u.ru_utime.tv_usec + u.ru_stime.tv_usec;
  return static_cast<double>(us) / 1e3;
}

// Opens both texts, then changes the train text `changes` times,
// alternating `broken` and `train`.
Figures measure(const testing_support::TempDir& dir, const std::string& name,
                const std::string& line, const std::string& train, const std::string& broken,
                int changes) {
  testing_support::write_bytes(dir / (name + "_linea.txt"), line);
  testing_support::write_bytes(dir / (name + "_1-.txt"), train);
  const std::string base = "file://" + dir.str() + "/";
  const std::string train_uri = base + name + "_1-.txt";

  const double cpu_before = children_cpu_ms();
  Figures f{};
  std::vector<double> times;
  {
    Server s;
    s.send({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}});
    s.receive();
    s.send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});

    auto wait_for = [&](const std::string& uri, std::int64_t version) {
      for (;;) {
        const json m = s.receive();
        if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri &&
            m["params"].value("version", std::int64_t{-1}) == version)
          return m["params"]["diagnostics"];
      }
    };

    auto t0 = Clock::now();
    s.send({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params", {{"textDocument", {{"uri", train_uri}, {"languageId", "plaintext"}, {"version", 1}, {"text", train}}}}}});
    wait_for(train_uri, 1);
    f.open_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();

    for (int i = 0; i < changes; ++i) {
      const std::int64_t version = i + 2;
      const bool bad = i % 2 == 0;
      t0 = Clock::now();
      s.send({{"jsonrpc", "2.0"},
              {"method", "textDocument/didChange"},
              {"params",
               {{"textDocument", {{"uri", train_uri}, {"version", version}}},
                {"contentChanges", json::array({{{"text", bad ? broken : train}}})}}}});
      const json found = wait_for(train_uri, version);
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      if (bad) f.diagnostics_with_error = found.size();
      else
        for (const json& d : found)
          std::fprintf(stderr, "lsp_perftest: on the sound text: %s %s\n", d.value("code", "").c_str(),
                       d.value("message", "").c_str());
    }
    // Semantic tokens of each text, the line text opened as well: editors
    // ask for them on every change.
    const std::string line_uri = base + name + "_linea.txt";
    s.send({{"jsonrpc", "2.0"},
            {"method", "textDocument/didOpen"},
            {"params", {{"textDocument", {{"uri", line_uri}, {"languageId", "plaintext"}, {"version", 1}, {"text", line}}}}}});
    wait_for(line_uri, 1);
    int id = 10;
    for (const std::string& uri : {train_uri, line_uri}) {
      t0 = Clock::now();
      s.send({{"jsonrpc", "2.0"}, {"id", ++id}, {"method", "textDocument/semanticTokens/full"},
              {"params", {{"textDocument", {{"uri", uri}}}}}});
      for (;;) {
        const json m = s.receive();
        if (m.contains("id") && m["id"] == id) break;
      }
      f.tokens_ms = std::max(f.tokens_ms, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    s.send({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}});
    s.receive();
    s.send({{"jsonrpc", "2.0"}, {"method", "exit"}});
  }  // the server has ended: its processor time is counted
  f.cpu_ms = (children_cpu_ms() - cpu_before) / (changes + 1);
  std::sort(times.begin(), times.end());
  f.median_ms = times[times.size() / 2];
  f.worst_ms = times.back();
  return f;
}

// The same text with a signal moved onto the first signal's cell (error 16).
std::string with_signal_clash(const std::string& train) {
  const std::size_t first = train.find("segnale,");
  const std::size_t second = train.find("segnale,", first + 1);
  const std::size_t second_position = train.find_first_of("0123456789", second);
  const std::size_t first_position = train.find_first_of("0123456789", first);
  const std::size_t first_end = train.find(',', first_position);
  const std::size_t second_end = train.find(',', second_position);
  std::string out = train;
  out.replace(second_position, second_end - second_position,
              train.substr(first_position, first_end - first_position));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  const int changes = testing_support::benchmark_arguments(argc, argv, usage, {}, 40, 2).count;
  testing_support::TempDir dir;

  const std::string line = scenario::joined_lines(scenario::righe_linea());
  const std::string train = scenario::joined_lines(scenario::righe_treno());
  const Figures small = measure(dir, "Piccolo", line, train, with_signal_clash(train), changes);

  const testing_support::LargeScenario large = testing_support::large_scenario();
  const Figures big =
      measure(dir, "Grande", large.linea, large.treno, with_signal_clash(large.treno), changes);

  std::printf("diagnostics after a change, over the protocol (%d changes each)\n", changes);
  std::printf("  embedded scenario (85 km):   open %.1f ms, change median %.1f ms, worst %.1f ms;"
              " server CPU %.1f ms per change; semantic tokens %.1f ms\n",
              small.open_ms, small.median_ms, small.worst_ms, small.cpu_ms, small.tokens_ms);
  std::printf("  largest scenario (1000 km):  open %.1f ms, change median %.1f ms, worst %.1f ms;"
              " server CPU %.1f ms per change; semantic tokens %.1f ms\n",
              big.open_ms, big.median_ms, big.worst_ms, big.cpu_ms, big.tokens_ms);
  if (small.diagnostics_with_error == 0 || big.diagnostics_with_error == 0) {
    std::fputs("lsp_perftest: the broken text gave no diagnostic\n", stderr);
    return 1;
  }
  return 0;
}
#endif
