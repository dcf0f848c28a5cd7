// A compiled file read for dump and render: bounded by the largest file of
// its kind, and of the kind its bytes are where the name leaves a doubt.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/compiled_files_reader.h"
#include "model/model.h"
#include "model/plan.h"
#include "platform/platform.h"

namespace scenarioc {

struct CompiledFile {
  scenario::CompiledFileKind kind = scenario::CompiledFileKind::unknown;
  std::size_t size = 0;
  // The one of these that `kind` says.
  std::array<scenario::voce_percorso, scenario::voce::numero> route{};
  std::vector<scenario::cella> cells;
  scenario::Tracciato plan;
};

// Reads and parses the compiled file `path`, whose name ends in .sim (a
// route file) or .dat (a cell file or, ending in _linea.dat, a compiled line
// file; the letter case is ignored). A .dat file is whichever of the two its
// bytes are, so no name makes one look like the other; when they are both
// or neither, the name decides. Throws platform::Failure when the file
// cannot be read, is not a regular file or is larger than any file of the
// kinds its name allows (then before reading it), and
// scenario::MalformedFile, for the kind the name announces, when its bytes
// are not such a file.
CompiledFile read_compiled_file(const std::string& path);

// While it lives, no run publishes into the folders that hold `files`:
// their locks are taken shared, so the compiled files read meanwhile are
// one published set, never the old set's line file with the new set's
// cells. Taken before the first file is read and let go once the last is
// (before the reader writes anything of its own, which may lock one of the
// folders for writing). A folder that cannot be locked (missing, not a
// folder, not readable) is read without: reading its files then says why.
class SetReading {
 public:
  explicit SetReading(std::span<const std::string> files);

 private:
  std::vector<std::unique_ptr<platform::FolderLock>> locks_;
};

// "route file", "cell file", "compiled line file".
std::string_view kind_name(scenario::CompiledFileKind kind);

}  // namespace scenarioc
