// The texts an editor works on and the scenarios they form. An open buffer
// always wins over the file on disk; nothing is ever written to disk.
//
// Pairs: a train text NAME_NUMBER-.txt compiles with NAME_linea.txt from the
// same folder; a line text compiles with every train text of its scenario in
// that folder (open or on disk), or alone, as far as the line goes, when
// there is none. Each pairing is a unit, compiled when asked for and kept
// while the bytes it was compiled from are unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lsp/encoding.h"
#include "lsp/records.h"
#include "model/diagnostics.h"
#include "model/model.h"

namespace lsp {

// What tells whether a file changed since it was read: its size, the time
// of its last change and which file the name leads to. All zero: missing.
struct FileStamp {
  std::uint64_t size = 0, modified = 0, volume = 0, file = 0;
  bool operator==(const FileStamp&) const = default;
};

struct DiskText {
  std::optional<std::string> bytes;  // nothing when missing or refused
  std::string unreadable;            // why a file that is there was refused
};

// The file system as the server sees it: read only.
class Disk {
 public:
  virtual ~Disk() = default;
  // The file's bytes, read as scenarioc check reads a text (bounded, a
  // regular file only).
  virtual DiskText read(const std::string& path) = 0;
  virtual FileStamp stamp(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // The names of the files in a folder; empty when it cannot be listed.
  virtual std::vector<std::string> list(const std::string& folder) = 0;
};

// Through the platform layer; paths are UTF-8.
class PlatformDisk final : public Disk {
 public:
  DiskText read(const std::string& path) override;
  FileStamp stamp(const std::string& path) override;
  bool exists(const std::string& path) override;
  std::vector<std::string> list(const std::string& folder) override;
};

// What a file name says: a line text (NAME_linea.txt) or a train text
// (NAME_NUMBER-.txt).
struct ScenarioFile {
  Text text = Text::none;
  std::string scenario;
  std::string train;  // train texts only
};
// A train name splits at its last '_' unless an earlier split names a
// scenario whose line text exists (`line_exists`), so that scenario names
// may hold '_'.
std::optional<ScenarioFile> classify(std::string_view name,
                                     const std::function<bool(const std::string&)>& line_exists);

struct Document {
  std::string uri;
  std::string path;   // UTF-8; empty for a URI that names no file
  std::string bytes;  // Windows-1252, as compiled
  UnmappedMarks unmapped;  // bytes for characters Windows-1252 cannot hold
  std::int64_t version = 0;
  std::optional<ScenarioFile> file;
  // Read once per change, holding a copy of the bytes that the units
  // compiled from them share; never null.
  std::shared_ptr<const Outline> outline = no_outline();
  std::uint64_t opened = 0;  // when it was opened or last changed, in events
};

struct Unit {
  std::string line_path;
  std::string train_path;  // empty: the line alone
  // Null when missing or unreadable. One line text's bytes are shared by
  // every unit compiled from them: a folder of 30 train texts holds an
  // 8 MB line text once, not 30 times.
  std::shared_ptr<const std::string> line_bytes;
  std::shared_ptr<const std::string> train_bytes;
  // Why each could not be read (empty: read, open or missing): a file that
  // is missing and one that is a FIFO give the same bytes, not the same
  // diagnostics.
  std::string line_unreadable, train_unreadable;
  scenario::Modello model;
  // The rows its compilation acted on, each holding its text: an open
  // document's own, or read once for every unit of the same bytes.
  std::shared_ptr<const Outline> line_rows, train_rows;
  bool has_cells = false;  // the compilation got as far as the track cells
  std::vector<scenario::Diagnostic> diagnostics;
  // With no limit per code, the diagnostics past held_without_limit, only
  // counted (by code and text).
  std::vector<scenario::DiagnosticTally> beyond_held;
};

// With no limit per code (diagnosticLimit 0) a unit holds at most this many
// diagnostics and counts the rest: a publish is one JSON message the server
// builds whole, and a text of a million mistakes must not cost a million
// of them in memory. The editor is told how many more there are.
inline constexpr std::size_t held_without_limit = 5000;

// Held bytes as the compiler reads them from memory.
inline std::optional<std::string_view> in_memory(const std::shared_ptr<const std::string>& bytes) {
  if (!bytes) return std::nullopt;
  return std::string_view(*bytes);
}

class Workspace {
 public:
  explicit Workspace(Disk& disk) : disk_(disk) {}

  Document& open(const std::string& uri, std::string_view utf8, std::int64_t version);
  // The whole text, or (with `range`) the part between two positions,
  // replaced. Nothing for a document that is not open.
  Document* change(const std::string& uri, std::optional<std::pair<Position, Position>> range,
                   std::string_view utf8, std::int64_t version);
  void close(const std::string& uri);
  Document* find(const std::string& uri);
  const std::map<std::string, Document>& documents() const { return documents_; }

  // The units a document takes part in, compiled as needed.
  std::vector<const Unit*> units(const Document& d);
  // The unit whose compiled cells a document's hover and hints show: for a
  // line text, the train text opened or changed last (else the first).
  const Unit* main_unit(const Document& d);
  // The bytes a path compiles from: its open buffer, else the disk, read
  // again only when the file changed.
  std::optional<std::string> bytes(const std::string& path);
  // Why a file on the disk could not be read; empty when it was, is open or
  // is missing.
  std::string unreadable(const std::string& path);
  // The open documents whose diagnostics a change of `d` may change: `d`,
  // and of the same scenario in the same folder, every text for a line
  // text, the line text for a train text.
  std::vector<Document*> related(const Document& d);
  // An open document by path, or nullptr.
  const Document* open_at(const std::string& path) const;
  // Drops compiled units that no open document takes part in.
  void forget_unused();
  // Diagnostics of one code kept per text (0: all), from the next compilation.
  void set_diagnostic_limit(std::size_t n) {
    diagnostic_limit_ = n;
    units_.clear();
  }
  std::size_t diagnostic_limit() const { return diagnostic_limit_; }

 private:
  bool line_exists(const std::string& folder, const std::string& scenario);
  std::optional<ScenarioFile> classify_path(const std::string& path);
  const Unit& unit(const std::string& line, const std::string& train);
  std::shared_ptr<const std::string> shared_bytes(const std::string& path, std::optional<std::string> now);
  const DiskText& from_disk(const std::string& path);
  // Rows already read from exactly `bytes` at `path`, or null.
  std::shared_ptr<const Outline> rows_for(const std::string& path,
                                          const std::shared_ptr<const std::string>& bytes) const;
  void analyse(Document& d, std::int64_t version);

  Disk& disk_;
  std::map<std::string, Document> documents_;  // by URI
  std::map<std::pair<std::string, std::string>, std::unique_ptr<Unit>> units_;
  struct Read {
    FileStamp stamp;
    DiskText text;
  };
  std::map<std::string, Read> disk_texts_;  // by path, while a unit uses them
  // The bytes units hold, by path: while one holds them, the next unit of
  // the same bytes takes the same copy.
  std::map<std::string, std::weak_ptr<const std::string>> held_bytes_;
  // The rows units hold, by path, and the bytes they were read from.
  struct HeldRows {
    std::weak_ptr<const std::string> bytes;
    std::weak_ptr<const Outline> rows;
  };
  std::map<std::string, HeldRows> held_rows_;
  std::uint64_t clock_ = 0;
  std::size_t diagnostic_limit_ = scenario::default_diagnostic_limit;
};

}  // namespace lsp
