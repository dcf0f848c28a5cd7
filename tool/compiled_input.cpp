#include "tool/compiled_input.h"

#include <algorithm>
#include <optional>

#include "platform/platform.h"
#include "tool/cli.h"

namespace scenarioc {

using scenario::CompiledFileKind;

namespace {

// Parses `bytes` as a file of `kind` into `f`.
void parse(std::string_view bytes, CompiledFileKind kind, CompiledFile& f) {
  switch (kind) {
    case CompiledFileKind::percorso: f.route = scenario::read_route(bytes); break;
    case CompiledFileKind::celle: f.cells = scenario::read_cells(bytes); break;
    case CompiledFileKind::linea: f.plan = scenario::read_plan(bytes); break;
    case CompiledFileKind::unknown: break;
  }
  f.kind = kind;
}

}  // namespace

CompiledFile read_compiled_file(const std::string& path) {
  const CompiledFileKind by_name = scenario::compiled_file_kind(path);
  const bool dat = by_name == CompiledFileKind::celle || by_name == CompiledFileKind::linea;
  const std::uint64_t largest =
      dat ? std::max(scenario::largest_file_size(CompiledFileKind::celle),
                     scenario::largest_file_size(CompiledFileKind::linea))
          : scenario::largest_file_size(by_name);
  const std::string bytes = platform::read_file_limited(path, largest);

  CompiledFile f;
  f.size = bytes.size();
  if (!dat) {
    parse(bytes, by_name, f);
    return f;
  }
  const CompiledFileKind other =
      by_name == CompiledFileKind::celle ? CompiledFileKind::linea : CompiledFileKind::celle;
  try {
    parse(bytes, by_name, f);
  } catch (const scenario::MalformedFile&) {
    try {
      if (bytes.size() <= scenario::largest_file_size(other)) {
        parse(bytes, other, f);
        return f;
      }
    } catch (const scenario::MalformedFile&) {
      // Neither: the name's kind tells what is wrong.
    }
    throw;
  }
  return f;
}

SetReading::SetReading(std::span<const std::string> files) {
  std::vector<std::string> folders;
  for (const std::string& file : files) {
    const std::string folder = platform::parent_folder(file);
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
    folders.push_back(folder);
    try {
      locks_.push_back(std::make_unique<platform::FolderLock>(
          folder,
          [&] {
            write_err("scenarioc: another run is writing into \"" + folder +
                      "\"; waiting for it to finish\n");
          },
          platform::FolderLock::Mode::shared));
    } catch (const platform::Failure&) {
      // Reading the files says what is wrong with the folder.
    }
  }
}

std::string_view kind_name(CompiledFileKind kind) {
  switch (kind) {
    case CompiledFileKind::percorso: return "route file";
    case CompiledFileKind::celle: return "cell file";
    case CompiledFileKind::linea: return "compiled line file";
    case CompiledFileKind::unknown: break;
  }
  return "compiled file";
}

}  // namespace scenarioc
