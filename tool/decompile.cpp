// scenarioc decompile: the compiled files back to the two description
// texts, proved by compiling the texts again in memory and comparing every
// byte. The texts are staged in the output folder and put in place
// together; an entry of their names already there is never replaced.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "decompiler/decompile.h"
#include "format/compiled_files_reader.h"
#include "model/version.h"
#include "platform/platform.h"
#include "tool/cli.h"
#include "tool/compiled_input.h"
#include "tool/json.h"

namespace scenarioc {

const std::string_view decompile_usage =
    "usage: scenarioc decompile [--scenario NAME] [--train NUMBER] [--out DIR] [--json]\n"
    "                           COMPILED_DIR\n"
    "\n"
    "Reads COMPILED_DIR/NAME_linea.dat (when there is one), NAME_NUMBER.sim and\n"
    "NAME_NUMBER.dat and writes the two description texts NAME_linea.txt and\n"
    "NAME_NUMBER-.txt into DIR, such that 'scenarioc compile' of them gives back\n"
    "the same files byte for byte. What compiling derives (approach marks,\n"
    "protection points, slowdown warning boards, format marks, competition codes)\n"
    "is not written as rows. Rows stand in position order, positions in metres,\n"
    "names as the files store them (Windows-1252), each station after a comment\n"
    "line with its name and km.\n"
    "\n"
    "The texts are then compiled in memory and compared with the files. A byte no\n"
    "text can give back (a damaged file, one made by another tool) is reported as\n"
    "FILE: offset N: FIELD: expected E, obtained O, and the closest texts are\n"
    "written all the same.\n"
    "\n"
    "  --scenario NAME  scenario name (default: that of COMPILED_DIR's one route file,\n"
    "                   else Belvara_Quintosa)\n"
    "  --train NUMBER   train number (default: that of the scenario's one route\n"
    "                   file, else 254)\n"
    "  --out DIR        where the texts go (default COMPILED_DIR), created when missing\n"
    "                   as mkdir creates it (its parent must exist)\n"
    "  --json           print one JSON object on standard output:\n"
    "                   {\"texts\", \"exact\", \"differences\", \"differences_left_out\",\n"
    "                    \"not_compiled\", \"failure\", \"version\"}\n"
    "\n"
    "The two texts are written all together or not at all, and never over an\n"
    "entry of their names already in DIR (a file, a directory, a link).\n"
    "Exit status: 0 the texts compile to the same bytes; 1 they were written but\n"
    "differ where reported; 2 nothing written (a file that cannot be read or is\n"
    "not a compiled file, a text already there, a failure); 3 the texts compile\n"
    "to the same bytes, but standard output or error failed; 64 a wrong command\n"
    "line.\n";

namespace {

using namespace scenario;

struct Outcome {
  int status = exit_ok;
  std::vector<std::string> texts;  // paths written
  std::optional<Decompiled> result;
  std::optional<std::string> failure;
};

std::string read_compiled(const std::string& path, CompiledFileKind kind) {
  return platform::read_file_limited(path, largest_file_size(kind));
}

void decompile(const std::string& dir, const std::string& out, const FileNames& names, Outcome& o) {
  const FileNames stored_names = as_stored(names);
  std::string linea, percorso, celle;
  bool has_line_file = false;
  std::string current = dir;
  try {
    const platform::FileKind kind = platform::file_info(dir).kind;
    if (kind != platform::FileKind::missing && kind != platform::FileKind::directory)
      throw platform::Failure("read the compiled files in", dir, "is not a directory");
    const std::string paths[] = {platform::join_path(dir, names.linea_dat()),
                                 platform::join_path(dir, names.percorso_sim()),
                                 platform::join_path(dir, names.celle_dat())};
    // The three of one publication, never two runs' files.
    const SetReading reading(paths);
    current = paths[0];
    // A link that leads nowhere is a line file that cannot be read, not none.
    has_line_file = platform::name_taken(current);
    if (has_line_file) linea = read_compiled(current, CompiledFileKind::linea);
    current = paths[1];
    percorso = read_compiled(current, CompiledFileKind::percorso);
    current = paths[2];
    celle = read_compiled(current, CompiledFileKind::celle);
  } catch (const platform::Failure& f) {
    o.status = exit_failure;
    o.failure = f.what();
    return;
  }
  try {
    CompiledBytes files;
    if (has_line_file) files.linea = linea;
    files.percorso = percorso;
    files.celle = celle;
    o.result = decompile(files, stored_names);
  } catch (const MalformedFile& e) {
    // Which file: each is read in turn, the line file first.
    std::string file = names.percorso_sim();
    try {
      if (has_line_file) (void)read_plan(linea);
      try {
        (void)read_route(percorso);
        file = names.celle_dat();
      } catch (const MalformedFile&) {
      }
    } catch (const MalformedFile&) {
      file = names.linea_dat();
    }
    o.status = exit_failure;
    // The reader's message begins with the offset.
    o.failure = platform::join_path(dir, file) + ": " + e.what() + "; not a compiled file, no text written";
    return;
  }

  const std::string text_names[] = {names.linea_txt(), names.treno_txt()};
  const std::string* texts[] = {&o.result->linea, &o.result->treno};
  std::vector<std::string> created;
  try {
    // Only the last component is made, as mkdir makes it.
    if (platform::file_info(out).kind == platform::FileKind::missing) created.push_back(out);
    platform::create_directory(out);
    platform::OutputSet set = output_set(out);
    for (const std::string& n : text_names) {
      const std::string path = platform::join_path(out, n);
      // A link that leads nowhere too: publishing would put a file in its place.
      if (platform::name_taken(path)) {
        o.status = exit_failure;
        o.failure = path + ": already exists; decompile never replaces an entry, no text written";
        return;
      }
    }
    for (int i = 0; i < 2; ++i) {
      platform::AtomicFile f(set.staged(text_names[i]));
      f.write(*texts[i]);
      f.commit();
    }
    set.publish(text_names);
    files_published();
  } catch (const platform::Failure& f) {
    o.status = exit_failure;
    o.failure = std::string(f.what()) + "; no text written";
    // Nothing written leaves no folder made for it; one that is no longer
    // empty (another run wrote there meanwhile) stays.
    for (const std::string& folder : created) {
      std::error_code ignored;
      std::filesystem::remove(folder, ignored);
    }
    return;
  }
  for (const std::string& n : text_names) o.texts.push_back(platform::join_path(out, n));
  o.status = o.result->exact() ? exit_ok : exit_error;
}

std::string as_text(const Decompiled& d) {
  std::string s;
  for (const Difference& x : d.differences)
    s += x.file + ": offset " + std::to_string(x.offset) + ": " + x.field + ": expected " + x.expected +
         ", obtained " + x.obtained + "\n";
  if (d.differences_left_out > 0)
    s += "scenarioc: " + std::to_string(d.differences_left_out) + " more differences left out\n";
  if (d.not_compiled) s += "scenarioc: " + *d.not_compiled + "\n";
  if (!d.exact())
    s += "scenarioc: the texts were written, but they do not compile to the same bytes\n";
  return s;
}

std::string as_json(const Outcome& o) {
  Json j;
  j.begin_object();
  j.key("texts").begin_list();
  for (const std::string& t : o.texts) j.as_typed(t);
  j.end_list();
  // Whether the texts were written and compile to the same bytes.
  j.key("exact").boolean(o.result && !o.failure && o.result->exact());
  j.key("differences").begin_list();
  if (o.result) {
    for (const Difference& x : o.result->differences) {
      j.begin_object();
      j.key("file").as_typed(x.file);
      j.key("offset").integer(static_cast<std::int64_t>(x.offset));
      j.key("field").text(x.field);
      j.key("expected").as_typed(x.expected);
      j.key("obtained").as_typed(x.obtained);
      j.end_object();
    }
  }
  j.end_list();
  j.key("differences_left_out").integer(o.result ? static_cast<std::int64_t>(o.result->differences_left_out) : 0);
  j.key("not_compiled");
  if (o.result && o.result->not_compiled) j.text(*o.result->not_compiled); else j.null();
  j.key("failure");
  if (o.failure) j.as_typed(*o.failure); else j.null();
  j.key("version").text(version);
  j.end_object();
  return j.result();
}

}  // namespace

int run_decompile(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {"--json"}, {"--scenario", "--train", "--out"});
  if (a.help) {
    write_out(decompile_usage);
    return exit_ok;
  }
  if (a.operands.size() != 1) throw UsageError("decompile takes one COMPILED_DIR");
  const FileNames names = names_in_folder(a, a.operands[0], FoundIn::compiled_files);
  const std::string& dir = a.operands[0];

  Outcome o;
  decompile(dir, a.value("--out", dir), names, o);
  std::string err;
  if (o.failure) err += "scenarioc: " + *o.failure + "\n";
  else if (o.result) err += as_text(*o.result);
  write_err(err);
  if (a.has("--json")) {
    write_out(as_json(o));
  } else {
    std::string listing;
    for (const std::string& t : o.texts) listing += t + "\n";
    write_out(listing);
  }
  return o.status;
}

}  // namespace scenarioc
