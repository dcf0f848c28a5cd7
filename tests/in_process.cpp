#include "in_process.h"

#include <cstdlib>
#include <optional>

#include "driver/one_shot_run.h"
#include "model/file_names.h"
#include "model/model.h"
#include "platform/platform.h"
#include "test_support.h"
#include "text/scenario_texts.h"
#include "tool/cli.h"
#include "tool/run.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace testing_support {
namespace {

// The variables the standard library's temp_directory_path() reads, set
// for the life of the object and put back afterwards.
#if defined(_WIN32)
constexpr const char* temp_variables[] = {"TMP", "TEMP"};
#else
constexpr const char* temp_variables[] = {"TMPDIR"};
#endif

std::optional<std::string> get_variable(const char* name) {
#if defined(_WIN32)
  char buffer[32768];
  const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::nullopt;
  return std::string(buffer, n);
#else
  const char* v = std::getenv(name);
  if (v == nullptr) return std::nullopt;
  return std::string(v);
#endif
}

void set_variable(const char* name, const std::optional<std::string>& value) {
#if defined(_WIN32)
  SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
#else
  if (value) setenv(name, value->c_str(), 1);
  else unsetenv(name);
#endif
}

class TemporaryDirectoryIn {
 public:
  explicit TemporaryDirectoryIn(const std::filesystem::path& dir) {
    if (dir.empty()) return;
    for (const char* name : temp_variables) {
      saved_.emplace_back(name, get_variable(name));
      set_variable(name, dir.string());
    }
  }
  ~TemporaryDirectoryIn() {
    for (const auto& [name, value] : saved_) set_variable(name, value);
  }
  TemporaryDirectoryIn(const TemporaryDirectoryIn&) = delete;
  TemporaryDirectoryIn& operator=(const TemporaryDirectoryIn&) = delete;

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

}  // namespace

ToolRun scenarioc(const std::vector<std::string>& args, const std::filesystem::path& temp) {
  const TemporaryDirectoryIn redirect(temp);
  scenarioc::CapturedOutput captured;
  const int status = scenarioc::run(args);
  return {status, std::move(captured.out), std::move(captured.err)};
}

const std::map<std::string, std::string>& one_shot_files() {
  static const std::map<std::string, std::string> files = [] {
    TempDir dir;
    scenario::Modello m;
    m.cartella = dir.str();
    m.nome_scenario = "Belvara_Quintosa";
    m.numero_treno = "254";
    const scenario::FileNames names{m.nome_scenario, m.numero_treno};
    scenario::dati_linea(m.cartella, names);
    scenario::dati_treno(m.cartella, names);
    scenario::dati_note(m.cartella, names);
    scenario::dati_rallentamenti(m.cartella, names);
    scenario::dati_scheda(m.cartella, names);
    scenario::memorizza_percorso(m, 1);
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      out[e.path().filename().string()] = read_bytes(e.path());
    return out;
  }();
  return files;
}

std::string in_dir(std::string text, const std::filesystem::path& dir) {
  const std::string prefix = platform::join_path(dir.string(), "");
  for (std::size_t at; (at = text.find("{DIR}/")) != std::string::npos;)
    text.replace(at, 6, prefix);
  return text;
}

}  // namespace testing_support
