#include "tool/cli.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "text/cp1252.h"

namespace scenarioc {
namespace {

CapturedOutput* capture = nullptr;
bool published = false;

bool is_one_of(std::initializer_list<std::string_view> list, std::string_view s) {
  return std::find(list.begin(), list.end(), s) != list.end();
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
  return scenario::to_cp1252(name);
}

void check_name(std::string_view option, const std::string& name) {
  const std::string what = std::string(option) + " " + shown(name);
  if (name.empty() || name.find_first_of("/\\") != std::string::npos)
    throw UsageError(std::string(option) + " must be a non-empty name without / or \\");
  if (name.front() == ' ' || name.back() == ' ')
    throw UsageError(what + ": a name must not begin or end with a blank");
  const bool utf8 = platform::arguments_in_utf8();
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t start = at;
    char32_t c = static_cast<unsigned char>(name[at]);
    if (utf8) {
      const std::optional<char32_t> next = scenario::next_utf8(name, at);
      if (!next) throw UsageError(what + ": not UTF-8 text");
      c = *next;
    } else {
      ++at;
    }
    // C0 and C1 controls, and DEL.
    if (c < 0x20 ||
        (c >= 0x7F && c < 0xA0 && (utf8 || scenario::from_cp1252(static_cast<unsigned char>(c)) == c)))
      throw UsageError(what + ": a name must not hold control characters");
    if (utf8 && !scenario::to_cp1252(std::string_view(name).substr(start, at - start))) {
      throw UsageError(what + ": the compiled files, in Windows-1252, cannot hold \"" +
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

std::string Arguments::value(std::string_view option, std::string_view fallback) const {
  auto it = values.find(option);
  return std::string(it == values.end() ? fallback : std::string_view(it->second));
}

Arguments parse_arguments(std::span<const std::string> args,
                   std::initializer_list<std::string_view> switches,
                   std::initializer_list<std::string_view> with_value) {
  Arguments a;
  bool options_open = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_open || arg.size() < 2 || arg[0] != '-') {
      a.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_open = false;
    } else if (arg == "--help") {
      a.help = true;
      return a;
    } else if (is_one_of(switches, arg)) {
      a.switches.insert(arg);
    } else if (is_one_of(with_value, arg)) {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      if (!a.values.emplace(arg, args[i + 1]).second) throw UsageError(arg + " given twice");
      ++i;
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
  return a;
}

scenario::FileNames scenario_names(const Arguments& a) {
  scenario::FileNames names{a.value("--scenario", "Belvara_Quintosa"), a.value("--train", "254")};
  check_name("--scenario", names.nome_scenario);
  check_name("--train", names.numero_treno);
  // Else dump and render would take the cell file for a line file, and on
  // Windows, which ignores letter case, it would be the line file.
  if (ends_like_line_file(names.numero_treno)) {
    throw UsageError("--train " + shown(names.numero_treno) +
                    " would give the cell file a name ending in _linea.dat, the compiled line "
                    "file's");
  }
  return names;
}

scenario::FileNames names_in_folder(const Arguments& a, const std::string& folder, FoundIn in) {
  const bool scenario_given = a.values.contains("--scenario");
  const bool train_given = a.values.contains("--train");
  if (scenario_given && train_given) return scenario_names(a);
  std::vector<std::string> files;
  try {
    files = platform::list_files(folder);
  } catch (const platform::Failure&) {
    return scenario_names(a);  // the command says what is wrong with the folder
  }
  std::sort(files.begin(), files.end());
  const std::string_view line_end = in == FoundIn::texts ? "_linea.txt" : "_linea.dat";
  const std::string_view train_end = in == FoundIn::texts ? "-.txt" : ".sim";
  const std::string given_scenario = a.value("--scenario", "");
  const std::string given_train = a.value("--train", "");

  std::vector<std::string> lines;  // scenario names, from the line files
  for (const std::string& f : files) {
    if (f.size() > line_end.size() && f.ends_with(line_end)) {
      const std::string name = f.substr(0, f.size() - line_end.size());
      if (!scenario_given || name == given_scenario) lines.push_back(name);
    }
  }
  std::sort(lines.begin(), lines.end());
  struct Train {
    std::string scenario, train, file;
  };
  std::vector<Train> trains;
  for (const std::string& f : files) {
    if (f.size() <= train_end.size() || !f.ends_with(train_end)) continue;
    const std::string stem = f.substr(0, f.size() - train_end.size());
    // The scenario is the longest line file's name that begins the stem
    // before a "_"; without a line file (compiled with no plan), all before
    // the last "_".
    std::size_t split = stem.rfind('_');
    for (std::size_t at = split; at != std::string::npos && at > 0; at = stem.rfind('_', at - 1)) {
      if (std::binary_search(lines.begin(), lines.end(), stem.substr(0, at))) {
        split = at;
        break;
      }
    }
    if (split == std::string::npos || split == 0 || split + 1 == stem.size()) continue;
    Train t{stem.substr(0, split), stem.substr(split + 1), f};
    if ((!scenario_given || t.scenario == given_scenario) && (!train_given || t.train == given_train))
      trains.push_back(std::move(t));
  }

  // A list in a message stays short whatever the folder holds.
  auto several = [&](const std::vector<std::string>& names, std::string_view what, std::string_view options) {
    constexpr std::size_t shown_at_most = 8;
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < shown_at_most; ++i)
      list += (i ? ", " : "") + names[i];
    if (names.size() > shown_at_most) list += " and " + std::to_string(names.size() - shown_at_most) + " more";
    return UsageError("\"" + folder + "\" holds " + std::to_string(names.size()) + " " + std::string(what) +
                      " (" + list + "); say which with " + std::string(options));
  };
  Arguments found = a;
  if (trains.size() == 1) {
    found.values["--scenario"] = trains[0].scenario;
    found.values["--train"] = trains[0].train;
  } else if (trains.size() > 1) {
    std::vector<std::string> names;
    for (const Train& t : trains) names.push_back(t.file);
    throw several(names, in == FoundIn::texts ? "train texts" : "route files",
                  scenario_given ? "--train NUMBER" : "--scenario NAME and --train NUMBER");
  } else if (!scenario_given && lines.size() == 1) {
    found.values["--scenario"] = lines[0];
  } else if (!scenario_given && lines.size() > 1) {
    std::vector<std::string> names;
    for (const std::string& l : lines) names.push_back(l + std::string(line_end));
    throw several(names, in == FoundIn::texts ? "line texts" : "compiled line files", "--scenario NAME");
  }
  return scenario_names(found);
}

scenario::FileNames as_stored(const scenario::FileNames& names) {
  const std::optional<std::string> scenario_name = stored(names.nome_scenario);
  const std::optional<std::string> train = stored(names.numero_treno);
  if (!scenario_name || !train)
    throw UsageError("a name holds a character the compiled files cannot hold");
  return {*scenario_name, *train};
}

platform::OutputSet output_set(const std::string& folder) {
  return platform::OutputSet(
      folder, staging_prefix,
      [&] {
        write_err("scenarioc: another run is writing into \"" + folder +
                  "\"; waiting for it to finish\n");
      },
      scenario::staging_prefixes);
}

CapturedOutput::CapturedOutput() : outer_(capture) { capture = this; }
CapturedOutput::~CapturedOutput() { capture = outer_; }

void files_published() { published = true; }
bool were_files_published() { return published; }

void write_out(std::string_view text) {
  if (capture) {
    capture->out += text;
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void write_err(std::string_view text) {
  if (capture) {
    capture->err += text;
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace scenarioc
