// From the compiled files back to the two description texts that compile to
// them, and the proof: the texts compiled again in memory and compared with
// the files byte for byte. Derived bytes (approach marks, protection points,
// slowdown warning boards, format marks, competition codes) are not written
// as rows; compiling brings them back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/file_names.h"

namespace scenario {

// The compiled files' bytes; no line file when the scenario has none.
struct CompiledBytes {
  std::optional<std::string_view> linea;
  std::string_view percorso;
  std::string_view celle;
};

// One byte range the recovered texts do not give back.
struct Difference {
  std::string file;      // "NAME_NUMBER.dat"
  std::size_t offset = 0;  // in the original file
  std::string field;     // "cell 202 valore_a", "entry 85 testo", "point 900 coordinate 1"
  std::string expected;  // as the original file holds it
  std::string obtained;  // as the recovered texts compile
};

struct Decompiled {
  std::string linea;  // the line description, CR LF lines, Windows-1252
  std::string treno;  // the train description
  std::vector<Difference> differences;
  std::size_t differences_left_out = 0;  // beyond the bound per file
  // Set when the recovered texts do not compile to files at all.
  std::optional<std::string> not_compiled;
  bool exact() const { return differences.empty() && differences_left_out == 0 && !not_compiled; }
};

// At most this many differences are listed per file.
inline constexpr std::size_t differences_per_file = 20;

// `names` are the names as the compiled files hold them (the ones the texts
// will be compiled under). Throws MalformedFile when a file is not a
// compiled file of its kind at all.
Decompiled decompile(const CompiledBytes& files, const FileNames& names);

}  // namespace scenario
