#include "lsp/workspace.h"

#include <algorithm>
#include <exception>
#include <iterator>

#include "compiler/compile.h"
#include "lsp/collect.h"
#include "lsp/encoding.h"
#include "lsp/uri.h"
#include "model/errors.h"
#include "platform/platform.h"
#include "text/description_file.h"

namespace lsp {
namespace {

using namespace scenario;

bool ends_with_ci(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  s = s.substr(s.size() - suffix.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != suffix[i]) return false;
  }
  return true;
}

std::string in_folder(std::string_view folder, std::string_view name) {
  std::string p(folder);
  if (p.empty() || p.back() != '/') p += '/';
  return p + std::string(name);
}

}  // namespace

DiskText PlatformDisk::read(const std::string& path) {
  std::string native;
  try {
    native = platform::path_from_utf8(path);
  } catch (const platform::Failure& e) {
    return {std::nullopt, e.what()};
  }
  scenarioc::DescriptionFile f = scenarioc::read_description_file(native);
  if (f.missing) return {};
  return {std::move(f.bytes), f.problem};
}

FileStamp PlatformDisk::stamp(const std::string& path) {
  try {
    const platform::FileInfo i = platform::file_info(platform::path_from_utf8(path));
    if (i.kind == platform::FileKind::missing) return {};
    // Not zero for anything that is there, whatever its kind.
    return {i.size, i.modified, i.identity.volume, i.identity.file + 1};
  } catch (const platform::Failure&) {
    return {};
  }
}

bool PlatformDisk::exists(const std::string& path) {
  try {
    return platform::file_exists(platform::path_from_utf8(path));
  } catch (const platform::Failure&) {
    return false;
  }
}

std::vector<std::string> PlatformDisk::list(const std::string& folder) {
  try {
    std::vector<std::string> names = platform::list_files(platform::path_from_utf8(folder));
    for (std::string& n : names) n = platform::path_to_utf8(n);
    return names;
  } catch (const platform::Failure&) {
    return {};
  }
}

std::optional<ScenarioFile> classify(std::string_view name,
                                     const std::function<bool(const std::string&)>& line_exists) {
  constexpr std::string_view line_suffix = "_linea.txt";
  constexpr std::string_view train_suffix = "-.txt";
  if (ends_with_ci(name, line_suffix)) {
    if (name.size() == line_suffix.size()) return std::nullopt;
    return ScenarioFile{Text::linea, std::string(name.substr(0, name.size() - line_suffix.size())), {}};
  }
  if (!ends_with_ci(name, train_suffix)) return std::nullopt;
  const std::string_view stem = name.substr(0, name.size() - train_suffix.size());
  std::optional<ScenarioFile> split;
  for (std::size_t cut = stem.rfind('_'); cut != std::string_view::npos && cut > 0;
       cut = stem.rfind('_', cut - 1)) {
    if (cut + 1 == stem.size()) continue;  // no train number
    ScenarioFile f{Text::treno, std::string(stem.substr(0, cut)), std::string(stem.substr(cut + 1))};
    if (!split) split = f;
    if (line_exists(f.scenario)) return f;
  }
  return split;
}

bool Workspace::line_exists(const std::string& folder, const std::string& scenario) {
  const std::string path = in_folder(folder, scenario + "_linea.txt");
  return open_at(path) != nullptr || disk_.exists(path);
}

std::optional<ScenarioFile> Workspace::classify_path(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const std::string dir(folder(path));
  return classify(file_name(path), [&](const std::string& s) { return line_exists(dir, s); });
}

void Workspace::analyse(Document& d, std::int64_t version) {
  d.version = version;
  d.file = classify_path(d.path);
  if (!d.file) {
    d.outline = no_outline();
  } else {
    // The units' compilations take these bytes and these rows as they are.
    auto held = std::make_shared<const std::string>(d.bytes);
    d.outline = scenario::read_rows(held, d.file->text, true);
    if (!d.path.empty()) held_bytes_[d.path] = held;
  }
  d.opened = ++clock_;
}

Document& Workspace::open(const std::string& uri, std::string_view utf8, std::int64_t version) {
  Document& d = documents_[uri];
  d.uri = uri;
  d.path = path_of(uri).value_or("");
  Converted c = to_cp1252(utf8);
  d.bytes = std::move(c.bytes);
  d.unmapped = std::move(c.unmapped);
  analyse(d, version);
  return d;
}

Document* Workspace::change(const std::string& uri,
                            std::optional<std::pair<Position, Position>> range,
                            std::string_view utf8, std::int64_t version) {
  Document* d = find(uri);
  if (!d) return nullptr;
  Converted c = to_cp1252(utf8);
  if (!range) {
    d->bytes = std::move(c.bytes);
    d->unmapped = std::move(c.unmapped);
  } else {
    const LineIndex index(d->bytes);
    std::size_t from = index.offset(range->first), to = index.offset(range->second);
    if (to < from) std::swap(from, to);
    d->bytes.replace(from, to - from, c.bytes);
    d->unmapped.replace(from, to, c.unmapped);
  }
  analyse(*d, version);
  return d;
}

void Workspace::close(const std::string& uri) { documents_.erase(uri); }

Document* Workspace::find(const std::string& uri) {
  const auto it = documents_.find(uri);
  return it == documents_.end() ? nullptr : &it->second;
}

const Document* Workspace::open_at(const std::string& path) const {
  for (const auto& [uri, d] : documents_)
    if (!d.path.empty() && d.path == path) return &d;
  return nullptr;
}

const DiskText& Workspace::from_disk(const std::string& path) {
  const FileStamp now = disk_.stamp(path);
  const auto known = disk_texts_.find(path);
  if (known != disk_texts_.end() && known->second.stamp == now) return known->second.text;
  Read& r = disk_texts_[path];
  r.text = {};  // the old bytes go before the new come
  r.text = disk_.read(path);
  r.stamp = now;
  return r.text;
}

std::optional<std::string> Workspace::bytes(const std::string& path) {
  if (const Document* d = open_at(path)) return d->bytes;
  return from_disk(path).bytes;
}

std::string Workspace::unreadable(const std::string& path) {
  if (path.empty() || open_at(path)) return {};
  return from_disk(path).unreadable;
}

std::shared_ptr<const std::string> Workspace::shared_bytes(const std::string& path,
                                                          std::optional<std::string> now) {
  if (!now) return nullptr;
  std::weak_ptr<const std::string>& held = held_bytes_[path];
  if (std::shared_ptr<const std::string> same = held.lock(); same && *same == *now) return same;
  auto fresh = std::make_shared<const std::string>(std::move(*now));
  held = fresh;
  return fresh;
}

std::shared_ptr<const Outline> Workspace::rows_for(const std::string& path,
                                                  const std::shared_ptr<const std::string>& bytes) const {
  if (!bytes) return nullptr;
  if (const Document* d = open_at(path); d && d->outline->owner == bytes) return d->outline;
  const auto held = held_rows_.find(path);
  if (held != held_rows_.end() && held->second.bytes.lock() == bytes) return held->second.rows.lock();
  return nullptr;
}

namespace {

bool same_bytes(const std::shared_ptr<const std::string>& held, const std::optional<std::string>& now) {
  return held ? now && *held == *now : !now;
}

}  // namespace

namespace {

// Keeps the diagnostics a compilation hands on up to held_without_limit
// (errors always), and counts the rest by code and text.
class HeldDiagnostics : public scenario::DiagnosticOutlet {
 public:
  explicit HeldDiagnostics(std::vector<scenario::DiagnosticTally>& beyond) : beyond_(beyond) {}

  std::vector<Diagnostic> kept;

  void settled(Diagnostic&& d) override {
    if (kept.size() < held_without_limit || d.severity == Severity::error) {
      kept.push_back(std::move(d));
      return;
    }
    for (scenario::DiagnosticTally& t : beyond_) {
      if (t.code == d.code && t.text == d.at.text) {
        ++t.omitted;
        return;
      }
    }
    beyond_.push_back({d.code, d.at.text, d.severity, 0, 1, d.at});
  }

 private:
  std::vector<scenario::DiagnosticTally>& beyond_;
};

}  // namespace

const Unit& Workspace::unit(const std::string& line, const std::string& train) {
  std::optional<std::string> line_bytes = bytes(line);
  std::optional<std::string> train_bytes = train.empty() ? std::optional<std::string>("") : bytes(train);
  std::string line_unreadable = unreadable(line), train_unreadable = unreadable(train);
  std::unique_ptr<Unit>& slot = units_[{line, train}];
  if (slot && same_bytes(slot->line_bytes, line_bytes) && same_bytes(slot->train_bytes, train_bytes) &&
      slot->line_unreadable == line_unreadable && slot->train_unreadable == train_unreadable)
    return *slot;

  // Bytes and rows the old unit holds are taken over before it goes.
  std::shared_ptr<const std::string> line_shared = shared_bytes(line, std::move(line_bytes)),
                                     train_shared = shared_bytes(train, std::move(train_bytes));
  std::shared_ptr<const Outline> line_rows = rows_for(line, line_shared),
                                 train_rows = rows_for(train, train_shared);
  slot = std::make_unique<Unit>();
  Unit& u = *slot;
  u.line_path = line;
  u.train_path = train;
  u.line_bytes = std::move(line_shared);
  u.train_bytes = std::move(train_shared);
  u.line_unreadable = std::move(line_unreadable);
  u.train_unreadable = std::move(train_unreadable);
  const std::optional<ScenarioFile> f = classify_path(train.empty() ? line : train);
  const FileNames names{f ? f->scenario : std::string(), f ? f->train : std::string()};

  for (const std::string* why : {&u.line_unreadable, &u.train_unreadable}) {
    if (why->empty()) continue;
    const bool of_line = why == &u.line_unreadable;
    Diagnostic d;
    d.severity = Severity::error;
    d.code = "unreadable-text";
    d.at.text = of_line ? Text::linea : Text::treno;
    d.message = std::string("cannot read the ") + (of_line ? "line" : "train") + " description: " + *why;
    u.diagnostics.push_back(std::move(d));
  }

  TextInMemory linea(in_memory(u.line_bytes), line), treno(in_memory(u.train_bytes), train);
  // Curves read as `scenarioc compile` reads them, without computing the
  // plan's points: nothing here reads them (the preview compiles its own).
  HeldDiagnostics held(u.beyond_held);
  CompileResult r = compile({linea, treno}, {.names = names,
                                             .build_plan = false,
                                             .diagnostic_limit = diagnostic_limit_,
                                             .outlet = diagnostic_limit_ == 0 ? &held : nullptr,
                                             .line_rows = std::move(line_rows),
                                             .train_rows = std::move(train_rows)});
  u.model = std::move(r.model);
  u.line_rows = std::move(r.line_rows);
  u.train_rows = std::move(r.train_rows);
  if (u.line_rows) held_rows_[line] = {u.line_bytes, u.line_rows};
  if (u.train_rows) held_rows_[train] = {u.train_bytes, u.train_rows};
  Modello& m = u.model;
  if (r.status.ending == CompileStatus::Ending::unreadable) {
    Diagnostic d;
    d.severity = Severity::error;
    d.code = "compiler-failure";
    d.message = "the compilation failed: " + r.status.message;
    u.diagnostics.push_back(std::move(d));
  }
  u.has_cells = !m.celle.empty();
  std::vector<Diagnostic> found = collect_diagnostics(m, r.status);
  // An unreadable line text reaches the compiler as a missing one: its
  // "file missing" would contradict the unreadable-text error above.
  if (!u.line_unreadable.empty())
    std::erase_if(found, [](const Diagnostic& d) {
      return d.code == "error-" + std::to_string(numero(ScenarioError::line_text_missing));
    });
  if (diagnostic_limit_ == 0) {
    // Those the compilation still held, after those it handed on.
    for (Diagnostic& d : found) held.settled(std::move(d));
    found = std::move(held.kept);
  }
  u.diagnostics.insert(u.diagnostics.begin(), std::make_move_iterator(found.begin()),
                       std::make_move_iterator(found.end()));
  if (train.empty()) {
    // The line alone: nothing can be said about a train text that is not there.
    std::erase_if(u.diagnostics, [](const Diagnostic& d) { return d.at.text == Text::treno; });
    std::erase_if(u.beyond_held, [](const scenario::DiagnosticTally& t) { return t.text == Text::treno; });
  }
  return u;
}

std::vector<const Unit*> Workspace::units(const Document& d) {
  if (!d.file || d.path.empty()) return {};
  const std::string dir(folder(d.path));
  const std::string line_path = in_folder(dir, d.file->scenario + "_linea.txt");
  if (d.file->text == Text::treno) return {&unit(line_path, d.path)};

  // Every train text of this scenario in the folder, on disk or open only.
  std::vector<std::string> names = disk_.list(dir);
  for (const auto& [uri, o] : documents_)
    if (!o.path.empty() && folder(o.path) == dir) names.emplace_back(file_name(o.path));
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::vector<const Unit*> out;
  for (const std::string& n : names) {
    const std::optional<ScenarioFile> f = classify_path(in_folder(dir, n));
    if (f && f->text == Text::treno && f->scenario == d.file->scenario)
      out.push_back(&unit(d.path, in_folder(dir, n)));
  }
  if (out.empty()) out.push_back(&unit(d.path, ""));
  return out;
}

const Unit* Workspace::main_unit(const Document& d) {
  const std::vector<const Unit*> all = units(d);
  if (all.empty()) return nullptr;
  const Unit* best = all.front();
  std::uint64_t latest = 0;
  for (const Unit* u : all) {
    const Document* t = u->train_path.empty() ? nullptr : open_at(u->train_path);
    if (t && t->opened > latest) {
      latest = t->opened;
      best = u;
    }
  }
  return best;
}

std::vector<Document*> Workspace::related(const Document& d) {
  std::vector<Document*> out;
  for (auto& [uri, o] : documents_) {
    if (&o == &d) {
      out.push_back(&o);
      continue;
    }
    // A train text is compiled with its line text alone: a change of it
    // changes what the line text shows, never another train text's.
    const bool affected = d.file && o.file && (d.file->text == Text::linea || o.file->text == Text::linea);
    if (affected && o.file->scenario == d.file->scenario && !d.path.empty() &&
        folder(o.path) == folder(d.path))
      out.push_back(&o);
  }
  return out;
}

void Workspace::forget_unused() {
  std::erase_if(units_, [&](const auto& entry) {
    return open_at(entry.first.first) == nullptr &&
           (entry.first.second.empty() || open_at(entry.first.second) == nullptr);
  });
  std::erase_if(held_rows_, [](const auto& entry) { return entry.second.rows.expired(); });
  std::erase_if(disk_texts_, [&](const auto& entry) {
    for (const auto& [paths, unit] : units_)
      if (paths.first == entry.first || paths.second == entry.first) return false;
    return true;
  });
}

}  // namespace lsp
