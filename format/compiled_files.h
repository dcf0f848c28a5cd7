// The three compiled files the simulator loads: plain little-endian images of
// the model's arrays, with no header of their own.
//   route file (.sim):        87 route entries, each with its text
//   cell file (.dat):         one record per cell, cell 0 first
//   compiled line file:       every element of the plan as its tag and
//                             value, coordinate 0 of all points first
// The records' layouts are in record_layouts.h.
#pragma once

#include <algorithm>
#include <bit>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "format/byte_buffer.h"
#include "format/record_layouts.h"
#include "model/file_names.h"
#include "model/model.h"

namespace scenario {

// The compiled files' names in the order they are written: the compiled
// line file (only with the plan), the route file, the cell file.
std::vector<std::string> compiled_file_names(const FileNames& file_names, bool plan);

void serialize_route(const Modello& m, ByteBuffer& out);
void serialize_cells(const Modello& m, ByteBuffer& out);
// Hands the plan's bytes to `flush` in pieces of at most `chunk` bytes.
template <typename Flush>
void serialize_plan(const Tracciato& t, std::size_t chunk, Flush flush);

// Writes into `folder`, each replaced whole and in this order: the compiled
// line file (only when m.scrivi_linea is non-zero), the route file, the cell
// file. Throws platform::Failure; files finished before stay.
void write_compiled_files(const Modello& m, const std::string& folder);
// The same under the names given, which may differ from the model's own
// texts in their encoding.
void write_compiled_files(const Modello& m, const std::string& folder, const FileNames& file_names);

// write_compiled_files for a compile yet to run, into `folder` under
// `file_names`. Its plan_observer(), given to compile(), readies the plan's
// memory and writes the compiled line file (under its temporary name, on a
// thread of its own) while the plan is still being computed; finish()
// writes the rest and the other two files, the same bytes in the same order
// as write_compiled_files. Destroyed unfinished, as when the compile ends in a
// fatal error, it leaves no file.
//
// The thread reads the plan only while it observes it: compile() takes the
// observer off before it returns, and a plan destroyed or assigned over
// lets it go first (Tracciato::Observer::plan_released), so the writer and
// the model may end in either order.
class CompiledFilesWriter {
 public:
  CompiledFilesWriter(std::string folder, FileNames file_names);
  ~CompiledFilesWriter();
  CompiledFilesWriter(const CompiledFilesWriter&) = delete;
  CompiledFilesWriter& operator=(const CompiledFilesWriter&) = delete;

  // Nothing when no thread could be had: finish() then writes everything.
  Tracciato::Observer* plan_observer();
  // `m` is the model compiled with plan_observer(), which it no longer
  // holds: its plan's bytes not yet written are taken from it here.
  // Throws platform::Failure; files finished before stay.
  void finish(const Modello& m);

 private:
  class LineFile;
  std::string folder_;
  FileNames file_names_;
  std::unique_ptr<LineFile> line_;
};

template <typename Flush>
void serialize_plan(const Tracciato& t, std::size_t chunk, Flush flush) {
  // The plan is its file image already: only cut into pieces.
  const std::size_t piece = std::max<std::size_t>(chunk, 1);
  for (int coord = 0; coord < 2; ++coord) {
    const std::span<const std::uint8_t> image = t.image(coord);
    for (std::size_t at = 0; at < image.size(); at += piece)
      flush(image.subspan(at, std::min(piece, image.size() - at)));
  }
}

}  // namespace scenario
