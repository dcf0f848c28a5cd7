#include "tool/cli.h"

#include <algorithm>
#include <cstdio>

namespace scenarioc {
namespace {

CapturedOutput* capture = nullptr;

bool tra(std::initializer_list<std::string_view> lista, std::string_view s) {
  return std::find(lista.begin(), lista.end(), s) != lista.end();
}

}  // namespace

std::string Argomenti::valore(std::string_view opzione, std::string_view predefinito) const {
  auto it = valori.find(opzione);
  return std::string(it == valori.end() ? predefinito : std::string_view(it->second));
}

Argomenti analizza(std::span<const std::string> args,
                   std::initializer_list<std::string_view> interruttori,
                   std::initializer_list<std::string_view> con_valore) {
  Argomenti a;
  bool opzioni_aperte = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!opzioni_aperte || arg.size() < 2 || arg[0] != '-') {
      a.operandi.push_back(arg);
      continue;
    }
    if (arg == "--") {
      opzioni_aperte = false;
    } else if (arg == "--help") {
      a.aiuto = true;
      return a;
    } else if (tra(interruttori, arg)) {
      a.interruttori.insert(arg);
    } else if (tra(con_valore, arg)) {
      if (i + 1 >= args.size()) throw ErroreUso(arg + " needs a value");
      if (!a.valori.emplace(arg, args[i + 1]).second) throw ErroreUso(arg + " given twice");
      ++i;
    } else {
      throw ErroreUso("unknown option " + arg);
    }
  }
  return a;
}

CapturedOutput::CapturedOutput() : outer_(capture) { capture = this; }
CapturedOutput::~CapturedOutput() { capture = outer_; }

void scrivi_out(std::string_view testo) {
  if (capture) {
    capture->out += testo;
    return;
  }
  std::fwrite(testo.data(), 1, testo.size(), stdout);
  std::fflush(stdout);
}

void scrivi_err(std::string_view testo) {
  if (capture) {
    capture->err += testo;
    return;
  }
  std::fwrite(testo.data(), 1, testo.size(), stderr);
  std::fflush(stderr);
}

}  // namespace scenarioc
