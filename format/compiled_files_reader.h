// The mirror of compiled_files.h: the three compiled files parsed back from
// their bytes into the model's structures, for tools that look inside them.
// Every read is bounds-checked; a file that is cut short, too long or holds
// something the writer never produces is refused with the byte offset at
// fault.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"
#include "model/plan.h"

namespace scenario {

class MalformedFile : public std::runtime_error {
 public:
  MalformedFile(std::size_t offset, const std::string& what);
  std::size_t offset() const { return offset_; }

 private:
  std::size_t offset_;
};

enum class CompiledFileKind { linea, percorso, celle, unknown };

// The kind a file name announces: "_linea.dat" is tested before ".dat";
// letter case is ignored, as file systems that ignore it would.
CompiledFileKind compiled_file_kind(std::string_view name);

// The size of the largest file of a kind the compiler can write: a file
// larger than this is not one, and is refused before it is read.
std::uint64_t largest_file_size(CompiledFileKind kind);

// Exactly 87 entries and nothing after them; entry 85 carries the format
// mark 610.
std::array<voce_percorso, voce::numero> read_route(std::string_view bytes);

// Whole 15-byte records, at least cells 0 and 1 and at most as many as the
// longest route has; cell 1 carries the format mark 5121.
std::vector<cella> read_cells(std::string_view bytes);

// Tags 0, 2 and 5 only, and an even number of elements: coordinate 0 of
// every point, then coordinate 1 of as many points, each point's two
// elements of one kind; at least points 0 and 1, at most as many points as
// the longest line has.
Tracciato read_plan(std::string_view bytes);

}  // namespace scenario
