#include "tool/cli.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "text/cp1252.h"

namespace scenarioc {
namespace {

bool tra(std::initializer_list<std::string_view> lista, std::string_view s) {
  return std::find(lista.begin(), lista.end(), s) != lista.end();
}

// A name as a message shows it: control characters as \xNN.
std::string shown(std::string_view name) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// A name in the compiled files' code page; nothing when it has no form there.
std::optional<std::string> stored(const std::string& name) {
  if (!platform::arguments_in_utf8()) return name;
  return to_cp1252(name);
}

void check_name(std::string_view option, const std::string& name) {
  const std::string what = std::string(option) + " " + shown(name);
  if (name.empty() || name.find_first_of("/\\") != std::string::npos)
    throw ErroreUso(std::string(option) + " must be a non-empty name without / or \\");
  if (name.front() == ' ' || name.back() == ' ')
    throw ErroreUso(what + ": a name must not begin or end with a blank");
  const bool utf8 = platform::arguments_in_utf8();
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t start = at;
    char32_t c = static_cast<unsigned char>(name[at]);
    if (utf8) {
      const std::optional<char32_t> next = next_utf8(name, at);
      if (!next) throw ErroreUso(what + ": not UTF-8 text");
      c = *next;
    } else {
      ++at;
    }
    // C0 and C1 controls, and DEL.
    if (c < 0x20 ||
        (c >= 0x7F && c < 0xA0 && (utf8 || da_cp1252(static_cast<unsigned char>(c)) == c)))
      throw ErroreUso(what + ": a name must not hold control characters");
    if (utf8 && !to_cp1252(std::string_view(name).substr(start, at - start))) {
      throw ErroreUso(what + ": the compiled files, in Windows-1252, cannot hold \"" +
                      name.substr(start, at - start) + "\"");
    }
  }
}

bool ends_like_line_file(std::string_view train) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  };
  const std::string t = lower(train);
  return t == "linea" || t.ends_with("_linea");
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

scenario::NomiFile scenario_names(const Argomenti& a) {
  scenario::NomiFile nomi{a.valore("--scenario", "Belvara_Quintosa"), a.valore("--train", "254")};
  check_name("--scenario", nomi.nome_scenario);
  check_name("--train", nomi.numero_treno);
  // Else dump and render would take the cell file for a line file, and on
  // Windows, which ignores letter case, it would be the line file.
  if (ends_like_line_file(nomi.numero_treno)) {
    throw ErroreUso("--train " + shown(nomi.numero_treno) +
                    " would give the cell file a name ending in _linea.dat, the compiled line "
                    "file's");
  }
  return nomi;
}

scenario::NomiFile as_stored(const scenario::NomiFile& nomi) {
  const std::optional<std::string> scenario_name = stored(nomi.nome_scenario);
  const std::optional<std::string> train = stored(nomi.numero_treno);
  if (!scenario_name || !train)
    throw ErroreUso("a name holds a character the compiled files cannot hold");
  return {*scenario_name, *train};
}

WritingTurn::WritingTurn(const std::string& folder)
    : lock_(folder, [&] {
        scrivi_err("scenarioc: another run is writing into \"" + folder +
                   "\"; waiting for it to finish\n");
      }) {
  if (lock_.held()) platform::remove_stale_staging(folder, staging_prefix);
}

void scrivi_out(std::string_view testo) {
  std::fwrite(testo.data(), 1, testo.size(), stdout);
  std::fflush(stdout);
}

void scrivi_err(std::string_view testo) {
  std::fwrite(testo.data(), 1, testo.size(), stderr);
  std::fflush(stderr);
}

}  // namespace scenarioc
