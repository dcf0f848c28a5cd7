// The five texts of a new scenario under an author's names: a short line and
// a train over it whose descriptions show every record once, each after a
// comment line that says what it does, and the three sheets as templates for
// the author to fill. The texts compile without a warning or an error.
#pragma once

#include <string>
#include <vector>

#include "model/file_names.h"

namespace scenario {

struct NewText {
  std::string name;   // the file's name, from the names as typed
  std::string bytes;  // Windows-1252, every line ended by CR LF
};

// `files`: the names the files are named by; `stored`: the same names in
// Windows-1252, as the sheets hold them. In the order the one-shot program
// writes its texts: line, train, notes, slowdowns, timetable card.
std::vector<NewText> new_scenario_texts(const FileNames& files, const FileNames& stored);

}  // namespace scenario
