// The language server's parts that a session cannot reach cheaply: the
// framing under split and damaged input, the Windows-1252 round trip that
// keeps positions in line, file URIs, and which texts pair up.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/base_protocol.h"
#include "lsp/encoding.h"
#include "lsp/formatting.h"
#include "lsp/json_surrogates.h"
#include "lsp/records.h"
#include "lsp/server.h"
#include "lsp/uri.h"
#include "lsp/workspace.h"

namespace {

using namespace lsp;

// Hands out its bytes `step` at a time, as a pipe may.
class Trickle final : public ByteSource {
 public:
  Trickle(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, step_, bytes_.size() - pos_});
    bytes_.copy(buffer, n, pos_);
    pos_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t step_, pos_ = 0;
};

std::vector<Incoming> read_all(ByteSource& in) {
  MessageReader r(in);
  std::vector<Incoming> out;
  for (Incoming m = r.next(); m.kind != Incoming::Kind::end; m = r.next()) out.push_back(m);
  return out;
}

TEST(LspFraming, ReadsMessagesWhateverTheReadSizes) {
  const std::string input = frame(R"({"a":1})") + "content-length:  7 \r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{\"b\":2}" +
                            frame("{\"c\":\"\xC3\xA8\"}");
  for (std::size_t step : {1u, 3u, 65536u}) {
    Trickle in(input, step);
    const std::vector<Incoming> got = read_all(in);
    ASSERT_EQ(got.size(), 3u) << step;
    EXPECT_EQ(got[0].body, R"({"a":1})");
    EXPECT_EQ(got[1].body, R"({"b":2})");
    EXPECT_EQ(got[2].body, "{\"c\":\"\xC3\xA8\"}");
  }
}

TEST(LspFraming, DamagedBlocksAreReportedAndTheNextMessageStillRead) {
  struct Case {
    std::string damage;
    std::string problem;
  };
  const Case cases[] = {
      {"Content-Length: 12x\r\n\r\n", "not a number"},
      {"Content-Type: text/plain\r\n\r\n", "no Content-Length"},
      {"Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}", "given twice"},
      {"garbage without a colon\r\nContent-Length: 2\r\n\r\n{}", "without ':'"},
      {std::string(20000, 'x') + "\r\nContent-Length: 2\r\n\r\n{}", "longer than"},
      // Skipped unread: the body's bytes are counted off, never stored.
      {"Content-Length: 67108865\r\n\r\n" + std::string(67108865, ' '), "above"},
  };
  for (const Case& c : cases) {
    const std::string input = c.damage + frame("{}");
    MemorySource in(input);
    const std::vector<Incoming> got = read_all(in);
    ASSERT_EQ(got.size(), 2u) << c.problem;
    EXPECT_EQ(got[0].kind, Incoming::Kind::malformed);
    EXPECT_NE(got[0].error.find(c.problem), std::string::npos) << c.problem << ": " << got[0].error;
    EXPECT_EQ(got[1].kind, Incoming::Kind::message);
    EXPECT_EQ(got[1].body, "{}");
  }
}

TEST(LspFraming, InputEndingInsideAMessageIsTheEnd) {
  for (const std::string input : {"Content-Length: 10\r\n\r\n{}", "Content-Len", ""}) {
    MemorySource in(input);
    EXPECT_TRUE(read_all(in).empty()) << input;
  }
}

using Runs = std::vector<std::pair<std::size_t, std::size_t>>;
Runs runs(const UnmappedMarks& m) {
  Runs out;
  m.runs([&](std::size_t first, std::size_t length) { out.emplace_back(first, length); });
  return out;
}

TEST(LspEncoding, EveryWindows1252ByteSurvivesTheEditorsUnicode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const Converted back = to_cp1252(to_utf8(all));
  EXPECT_EQ(back.bytes, all);
  EXPECT_FALSE(back.unmapped.any());
}

TEST(LspEncoding, CharactersWithoutAPlaceKeepTheirUtf16Width) {
  // "€" is 0x80; "Ω" has no place (one UTF-16 unit); "😀" has none (two
  // units); a lone continuation byte is malformed.
  const Converted c = to_cp1252("\xE2\x82\xAC,\xCE\xA9,\xF0\x9F\x98\x80,\x80,x");
  EXPECT_EQ(c.bytes, "\x80,?,??,?,x");
  EXPECT_EQ(runs(c.unmapped), (Runs{{2, 1}, {4, 2}, {7, 1}}));
}

TEST(LspEncoding, MessagesPassUnchangedOnlyWhenTheyAreUtf8TheJsonWriterTakes) {
  // Windows-1252 bytes that look like an encoded surrogate (E0 80 80 and
  // ED A0 80) or an overlong form are Windows-1252, converted; real UTF-8
  // passes as it is.
  EXPECT_EQ(protocol_text("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(protocol_text("\xED\xA0\x80"), to_utf8("\xED\xA0\x80"));
  EXPECT_EQ(protocol_text("\xE0\x80\x80"), to_utf8("\xE0\x80\x80"));
  EXPECT_EQ(protocol_text("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
}

TEST(LspEncoding, MarksFollowAnEditedRange) {
  // "aΩb😀c" is "a?b??c": marks at 1 and 3..4.
  struct Case {
    std::size_t from, to;
    std::string inserted;
    Runs after;
  };
  const Case cases[] = {
      {1, 4, "Ωx", {{1, 1}, {3, 1}}},       // across marks, with a mark inserted
      {0, 0, "", {{1, 1}, {3, 2}}},         // nothing
      {5, 6, "ΩΩ", {{1, 1}, {3, 4}}},       // joins the run before it
      {0, 6, "abc", {}},                    // all of it, nothing marked
      {2, 2, std::string(100, 'x'), {{1, 1}, {103, 2}}},  // past a word's end
  };
  for (const Case& c : cases) {
    UnmappedMarks m = to_cp1252("aΩb😀c").unmapped;
    const UnmappedMarks inserted = to_cp1252(c.inserted).unmapped;
    m.replace(c.from, c.to, inserted);
    EXPECT_EQ(runs(m), c.after) << c.from << " " << c.to << " " << c.inserted;
    EXPECT_EQ(m.size(), 6 - (c.to - c.from) + inserted.size());
  }
}

TEST(LspEncoding, PositionsCountLinesAsTheFieldReaderDoes) {
  const std::string text = "ab\r\ncd\ref\ng";
  const LineIndex index(text);
  EXPECT_EQ(index.lines(), 4u);
  EXPECT_EQ(index.position(5), (Position{1, 1}));
  EXPECT_EQ(index.position(8), (Position{2, 1}));
  EXPECT_EQ(index.offset({3, 0}), 10u);
  EXPECT_EQ(index.offset({0, 99}), 2u);   // past the line's end: its end
  EXPECT_EQ(index.offset({9, 0}), 11u);   // past the last line: the text's end
  EXPECT_EQ(index.line(1), "cd");
}

TEST(LspUri, FileUrisNameTheirPaths) {
  EXPECT_EQ(path_of("file:///home/a/Prova_7-.txt"), "/home/a/Prova_7-.txt");
  EXPECT_EQ(path_of("file:///c%3A/Users/A%20B/x.txt"), "c:/Users/A B/x.txt");
  EXPECT_EQ(path_of("FILE:///C:/x.txt"), "C:/x.txt");
  EXPECT_EQ(path_of("file://server/share/x.txt"), "//server/share/x.txt");
  EXPECT_EQ(path_of("file://localhost/tmp/x.txt"), "/tmp/x.txt");
  EXPECT_EQ(path_of("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(path_of("file:///tmp/%4"), std::nullopt);
  EXPECT_EQ(path_of("file:///tmp/a%00b"), std::nullopt);
  EXPECT_EQ(sibling_uri("file:///c%3A/A%20B/Prova_7-.txt", "Prova linea.txt"),
            "file:///c%3A/A%20B/Prova%20linea.txt");
  EXPECT_EQ(file_name("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(folder("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(folder("/c.txt"), "/");
}

TEST(LspPairs, FileNamesSayWhichTextAndScenario) {
  const auto none = [](const std::string&) { return false; };
  const auto a_b = [](const std::string& s) { return s == "A_B"; };
  const auto a = [](const std::string& s) { return s == "A"; };
  struct Case {
    std::string name;
    bool (*line_exists)(const std::string&);
    Text text;
    std::string scenario, train;
  };
  const Case cases[] = {
      {"Belvara_Quintosa_linea.txt", +none, Text::linea, "Belvara_Quintosa", ""},
      {"Belvara_Quintosa_254-.txt", +none, Text::treno, "Belvara_Quintosa", "254"},
      {"A_B_7-.txt", +a_b, Text::treno, "A_B", "7"},
      // An earlier split wins only when its line text exists.
      {"A_B_7-.txt", +a, Text::treno, "A", "B_7"},
      {"A_B_7-.txt", +none, Text::treno, "A_B", "7"},
      {"PROVA_LINEA.TXT", +none, Text::linea, "PROVA", ""},
  };
  for (const Case& c : cases) {
    const std::optional<ScenarioFile> f = classify(c.name, c.line_exists);
    ASSERT_TRUE(f) << c.name;
    EXPECT_EQ(f->text, c.text) << c.name;
    EXPECT_EQ(f->scenario, c.scenario) << c.name;
    EXPECT_EQ(f->train, c.train) << c.name;
  }
  for (const char* other : {"_linea.txt", "notes.txt", "A_-.txt", "A-.txt", "_7-.txt", "A_7_note.txt"})
    EXPECT_EQ(classify(other, none), std::nullopt) << other;
}

// "record: value value ..." for each row, as the scan found them; "?" marks
// a value that is no whole number.
std::vector<std::string> rows_of(const std::string& text, Text which) {
  std::vector<std::string> out;
  const std::shared_ptr<const Outline> o = outline(text, which);
  for (const Row& r : o->rows) {
    if (!r.record) continue;
    std::string s = std::string(r.record->title) + ":";
    const std::span<const Field> values = o->values_of(r);
    for (std::size_t i = 0; i < values.size(); ++i)
      s += " " + std::string(o->text_of(values[i])) +
           (r.record->values[i].is_text() || values[i].number() ? "" : "?");
    out.push_back(s);
  }
  return out;
}

TEST(LspOutline, RowsAreTheOnesTheReadersRead) {
  struct Case {
    const char* what;
    std::string text;
    Text which;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"a row goes on over the line end; the last field does nothing",
       "[generale]\r\nsegnale, 1650, 2, 3\r\n 0, 0, 0, 0, 0,0,0, 7\r\nvetture, 4\r\nsabbia", Text::treno,
       {"signal: 1650 2 3 0 0 0 0 0 0 0 7", "cars: 4"}},
      {"a comma before the line end leaves an empty field, read as 0",
       "[generale]\r\nabbattimento, 700,\r\nvetture, 4\r\n[fine]", Text::treno,
       {"abbattimento point: 700 ", "cars: 4"}},
      {"two comment fields are skipped, a third is taken as the keyword",
       "[generale]\r\n-a, -b, -c, 9, vetture, 4\r\n-x, velocita, 0, 100\r\n[fine]", Text::treno,
       {"cars: 4", "speed-limit step: 0 100"}},
      {"before [generale] nothing counts; a number that is no number is kept",
       "vetture, 3\r\n[GENERALE]\r\nabbattimento, 12.5, 0\r\n[fine]", Text::treno,
       {"abbattimento point: 12.5? 0"}},
      {"a quoted name holds its comma; one keyword may run two records",
       "[generale]\r\nstazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \"A, B\"\r\n"
       "sabbia vetture, 1, 2\r\n[fine]", Text::treno,
       {"station: 0 8 700 0 1 0 1 1 0 4 1 1 1 13 57 0 A, B", "cars: 1", "sand: 2"}},
      {"general records end at the first header; body records after it",
       "[generale]\r\nlunghezza percorso, 9000\r\nsfondo uno, 4\r\n[curve]\r\nsfondo due, 5\r\n"
       "curvas2, 800, 450\r\npendenza, 1000, 3\r\n[fine]", Text::linea,
       {"route length: 9000", "background one: 4", "curve: 800 450", "gradient: 1000 3"}},
      {"the general section skips up to ten comment fields",
       "[generale]\r\n-1,-2,-3,-4,-5,-6,-7,-8,-9,-10, lunghezza percorso, 500\r\n[curve]\r\n"
       "cartello indicatore, 100, VIA\r\n[fine]", Text::linea,
       {"route length: 500", "text board: 100 VIA"}},
  };
  for (const Case& c : cases) EXPECT_EQ(rows_of(c.text, c.which), c.rows) << c.what;
}

// Files held in memory, changed between two messages as another program
// would change them on disk; it counts its reads, and a file's stamp is what
// the test says (write() moves it on).
class MemoryDisk final : public Disk {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, FileStamp> stamps;
  std::map<std::string, std::string> refused;  // a file that is there, and why it is not read
  int reads = 0;

  void write(const std::string& path, std::string bytes) {
    stamps[path] = {bytes.size(), ++clock_, 1, 1};
    files[path] = std::move(bytes);
  }
  DiskText read(const std::string& path) override {
    ++reads;
    if (const auto why = refused.find(path); why != refused.end()) return {std::nullopt, why->second};
    const auto it = files.find(path);
    if (it == files.end()) return {};
    return {it->second, {}};
  }
  FileStamp stamp(const std::string& path) override { return stamps[path]; }
  bool exists(const std::string& path) override { return files.contains(path); }
  std::vector<std::string> list(const std::string& dir) override {
    std::vector<std::string> out;
    for (const auto& [path, bytes] : files)
      if (std::string(folder(path)) == dir) out.emplace_back(file_name(path));
    return out;
  }

 private:
  std::uint64_t clock_ = 0;
};

TEST(LspWorkspace, APartnerIsReadAgainOnlyWhenItsStampChanges) {
  MemoryDisk disk;
  const std::string line = "/s/S_linea.txt";
  disk.files[line] = "[generale]\r\nlunghezza percorso, 1000\r\n[fine]\r\n";
  disk.stamps[line] = {40, 1, 1, 7};
  Workspace w(disk);
  const Document& train = w.open("file:///s/S_1-.txt", "[generale]\r\n[fine]\r\n", 1);
  w.units(train);
  const int first = disk.reads;
  EXPECT_GE(first, 1);
  for (int i = 0; i < 3; ++i) w.units(train);
  EXPECT_EQ(disk.reads, first);
  // Size, time and identity each tell a change.
  for (const FileStamp changed : {FileStamp{41, 1, 1, 7}, FileStamp{41, 2, 1, 7}, FileStamp{41, 2, 1, 8}}) {
    disk.stamps[line] = changed;
    const int before = disk.reads;
    w.units(train);
    EXPECT_EQ(disk.reads, before + 1);
  }
  disk.files[line] = "[generale]\r\nlunghezza percorso, 2000\r\n[fine]\r\n";
  disk.stamps[line] = {42, 3, 1, 8};
  EXPECT_EQ(*w.units(train).at(0)->line_bytes, disk.files[line]);
}

// A line text with many train texts beside it is held once, however many
// units compile it, and again only once it changes.
TEST(LspWorkspace, TheLineTextIsHeldOnceForAllItsTrains) {
  MemoryDisk disk;
  const std::string line = "/s/S_linea.txt";
  disk.write(line, "[generale]\r\nlunghezza percorso, 1000\r\n[fine]\r\n");
  Workspace w(disk);
  std::vector<const Document*> trains;
  for (int i = 1; i <= 3; ++i)
    trains.push_back(&w.open("file:///s/S_" + std::to_string(i) + "-.txt", "[generale]\r\n[fine]\r\n", 1));
  const std::string* held = w.units(*trains[0]).at(0)->line_bytes.get();
  ASSERT_NE(held, nullptr);
  for (const Document* t : trains) EXPECT_EQ(w.units(*t).at(0)->line_bytes.get(), held);
  disk.write(line, "[generale]\r\nlunghezza percorso, 2000\r\n[fine]\r\n");
  const std::string* changed = w.units(*trains[0]).at(0)->line_bytes.get();
  EXPECT_EQ(*changed, disk.files[line]);
  for (const Document* t : trains) EXPECT_EQ(w.units(*t).at(0)->line_bytes.get(), changed);
}

// A partner that cannot be read for one reason, then for another, gives the
// same bytes (none) each time: what the diagnostics say follows the reason.
TEST(LspWorkspace, AnUnreadablePartnerIsToldByItsLatestReason) {
  MemoryDisk disk;
  const std::string line = "/s/S_linea.txt";
  Workspace w(disk);
  const Document& train = w.open("file:///s/S_1-.txt", "[generale]\r\n[fine]\r\n", 1);
  auto said = [&] {
    std::string messages;
    for (const scenario::Diagnostic& d : w.units(train).at(0)->diagnostics)
      if (d.at.text == scenario::Text::linea) messages += d.code + ": " + d.message + "\n";
    return messages;
  };
  const std::string missing = said();
  EXPECT_NE(missing.find("error-"), std::string::npos) << missing;
  EXPECT_EQ(missing.find("unreadable-text"), std::string::npos) << missing;
  std::uint64_t clock = 1;
  for (const std::string why : {"is a FIFO", "is a directory", "is a device"}) {
    disk.refused[line] = why;
    disk.stamps[line] = {0, ++clock, 1, 1};
    EXPECT_EQ(said(), "unreadable-text: cannot read the line description: " + why + "\n");
  }
  disk.refused.clear();
  disk.stamps[line] = {};
  EXPECT_EQ(said(), missing);
}

// 40,000 rows on one line (1 MB): formatting looks at each byte a bounded
// number of times, as it does for rows one per line.
TEST(LspFormatting, RowsOnOneLongLineTakeLinearTime) {
  MemoryDisk disk;
  Workspace w(disk);
  std::string text = "[generale]\r\nlunghezza percorso, 1000000\r\n[curve]\r\n";
  for (int i = 0; i < 40000; ++i) text += "curvad1, " + std::to_string(i * 20) + ",  10,  ";
  text += "\r\n[fine]\r\n";
  const Document& d = w.open("file:///s/L_linea.txt", text, 1);
  ASSERT_EQ(d.outline->rows.size(), 40001u);
  const auto start = std::chrono::steady_clock::now();
  const nlohmann::json edits = nlohmann::json::parse(json_text(format_rows(d, 0, text.size() + 1)));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Rows that share their line are kept as written.
  EXPECT_EQ(edits, nlohmann::json::array());
  EXPECT_LT(seconds, 1.0);
}

TEST(LspJson, ALoneSurrogateIsReadAsTheReplacementCharacter) {
  const struct {
    std::string json;
    std::optional<std::string> mended;
  } cases[] = {
      {R"({"text": "a\ud800b"})", R"({"text": "a\ufffdb"})"},
      {R"({"text": "\uDC00\u0041"})", R"({"text": "\ufffd\u0041"})"},
      {R"({"text": "\ud83d\ude86 \ud83d"})", R"({"text": "\ud83d\ude86 \ufffd"})"},
      {R"({"text": "\ud83d\ude86"})", std::nullopt},
      {R"({"text": "\\ud800"})", std::nullopt},
      {R"({"text": "\ud800)", R"({"text": "\ufffd)"},
      {R"({"text": "\ud8)", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(lone_surrogates_replaced(c.json), c.mended) << c.json;
}

// Each message the server sends, parsed.
class Messages final : public ByteSink {
 public:
  std::vector<nlohmann::json> all;
  void write(std::string_view bytes) override {
    all.push_back(nlohmann::json::parse(bytes.substr(bytes.find("\r\n\r\n") + 4)));
  }
};

TEST(LspDisk, AnOpenTextIsCheckedAgainWhenItsPartnerChangesOnDisk) {
  using nlohmann::json;
  MemoryDisk disk;
  const std::string line = "[generale]\r\nlunghezza percorso, 5000\r\n[curve]\r\n[fine]\r\n";
  disk.write("/s/A_linea.txt", line);
  Messages out;
  Server server(out, disk);
  auto send = [&](json m) {
    m["jsonrpc"] = "2.0";
    server.receive(m.dump());
  };
  send({{"id", 1},
        {"method", "initialize"},
        {"params", {{"capabilities", {{"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}}}}}});
  send({{"method", "initialized"}, {"params", json::object()}});
  // The client is asked to watch the description texts.
  ASSERT_EQ(out.all.size(), 2u);
  EXPECT_EQ(out.all[1]["method"], "client/registerCapability");
  EXPECT_EQ(out.all[1]["params"]["registrations"][0]["method"], "workspace/didChangeWatchedFiles");

  const std::string train = "[generale]\r\nsegnale, 1000, 0,0,0,0,0,0,0,0,0,0\r\n[fine]\r\n";
  send({{"method", "textDocument/didOpen"},
        {"params", {{"textDocument", {{"uri", "file:///s/A_1-.txt"}, {"version", 1}, {"text", train}}}}}});
  auto last_diagnostics = [&] {
    for (auto m = out.all.rbegin(); m != out.all.rend(); ++m)
      if (m->value("method", "") == "textDocument/publishDiagnostics") return (*m)["params"]["diagnostics"];
    return json();
  };
  EXPECT_EQ(last_diagnostics(), json::array());

  // The line shortened behind the editor's back: the signal is past its end.
  disk.write("/s/A_linea.txt", "[generale]\r\nlunghezza percorso, -50\r\n[curve]\r\n[fine]\r\n");
  const std::size_t before = out.all.size();
  send({{"method", "workspace/didChangeWatchedFiles"},
        {"params", {{"changes", {{{"uri", "file:///s/A_linea.txt"}, {"type", 2}}}}}}});
  ASSERT_EQ(out.all.size(), before + 1);
  ASSERT_FALSE(last_diagnostics().empty());
  EXPECT_EQ(last_diagnostics()[0]["severity"], 1) << last_diagnostics().dump();

  // Put back: the error goes. A change in another folder says nothing.
  disk.write("/s/A_linea.txt", line);
  send({{"method", "workspace/didChangeWatchedFiles"},
        {"params", {{"changes", {{{"uri", "file:///s/A_linea.txt"}, {"type", 2}}}}}}});
  EXPECT_EQ(last_diagnostics(), json::array());
  const std::size_t settled = out.all.size();
  send({{"method", "workspace/didChangeWatchedFiles"},
        {"params", {{"changes", {{{"uri", "file:///t/A_linea.txt"}, {"type", 1}}}}}}});
  EXPECT_EQ(out.all.size(), settled);
}

// A change reads the changed text's rows once: its outline, and every
// compilation it takes part in, share them; the partners' rows are those
// read before, open or on disk.
TEST(LspRows, AChangeReadsTheChangedTextOnce) {
  using nlohmann::json;
  MemoryDisk disk;
  const std::string line = "[generale]\r\nlunghezza percorso, 5000\r\n[curve]\r\n[fine]\r\n";
  const std::string train = "[generale]\r\nsegnale, 1000, 0,0,0,0,0,0,0,0,0,0\r\n[fine]\r\n";
  disk.write("/s/A_linea.txt", line);
  disk.write("/s/A_1-.txt", train);
  disk.write("/s/A_2-.txt", train);
  Messages out;
  Server server(out, disk);
  auto send = [&](const std::string& method, json params) {
    server.receive(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
  };
  auto open = [&](const std::string& uri, const std::string& text) {
    send("textDocument/didOpen", {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", text}}}});
  };
  auto change = [&](const std::string& uri, const std::string& text, int version) {
    send("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                    {"contentChanges", json::array({{{"text", text}}})}});
  };
  auto builds = [before = scenario::row_lists_built()]() mutable {
    const std::uint64_t now = scenario::row_lists_built(), n = now - before;
    before = now;
    return n;
  };
  auto diagnostics = [&](const std::string& uri) {
    for (auto m = out.all.rbegin(); m != out.all.rend(); ++m)
      if (m->value("method", "") == "textDocument/publishDiagnostics" && (*m)["params"]["uri"] == uri)
        return (*m)["params"]["diagnostics"];
    return json();
  };
  server.receive(json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}}.dump());
  send("initialized", json::object());

  open("file:///s/A_linea.txt", line);
  EXPECT_EQ(builds(), 3u);  // the line, and each train text on disk once
  open("file:///s/A_1-.txt", train);
  EXPECT_EQ(builds(), 1u);
  for (int v = 2; v <= 3; ++v) {
    change("file:///s/A_linea.txt", v == 2 ? line + " " : line, v);
    EXPECT_EQ(builds(), 1u) << "line change " << v;
    change("file:///s/A_1-.txt", v == 2 ? train + " " : train, v);
    EXPECT_EQ(builds(), 1u) << "train change " << v;
  }
  EXPECT_EQ(diagnostics("file:///s/A_1-.txt"), json::array());

  // The rows handed on are the new text's: on a shorter line the signal
  // stands in the run-out.
  change("file:///s/A_linea.txt", "[generale]\r\nlunghezza percorso, 500\r\n[curve]\r\n[fine]\r\n", 4);
  EXPECT_EQ(builds(), 1u);
  const json said = diagnostics("file:///s/A_1-.txt");
  ASSERT_EQ(said.size(), 1u) << said.dump();
  EXPECT_EQ(said[0]["code"], "in-run-out");
}

}  // namespace
