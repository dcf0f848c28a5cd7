// scenarioc new, and the names the commands find in a folder: a new
// scenario is sound as written (check is silent, compile and render work
// with no option), shows every record once after a comment, is written all
// together or not at all, and a folder that holds several scenarios makes
// the author say which.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "rows/records.h"
#include "in_process.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::folder_contents;
using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::scenarioc;
using testing_support::TempDir;
using testing_support::write_bytes;

const std::vector<std::string> ponte_texts = {
    "Ponte_48-.txt", "Ponte_48_note.txt", "Ponte_48_rallentamenti.txt", "Ponte_48_scheda_treno.txt",
    "Ponte_linea.txt"};

// The lines of a CR LF text; a lone LF or CR fails the test.
std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find("\r\n", from);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a last line without CR LF: " << text.substr(from);
      break;
    }
    lines.push_back(text.substr(from, end - from));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
    from = end + 2;
  }
  return lines;
}

TEST(ScenariocNew, WritesAScenarioThatChecksQuietlyCompilesAndRenders) {
  TempDir tmp, top;
  const fs::path dir = top / "my-scenario";
  const auto made = scenarioc({"new", "Ponte", "48", dir.string()}, tmp.path());
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.err, "");
  EXPECT_EQ(names_in(dir), ponte_texts);
  for (const char* n : {"Ponte_linea.txt", "Ponte_48-.txt", "Ponte_48_note.txt",
                        "Ponte_48_rallentamenti.txt", "Ponte_48_scheda_treno.txt"})
    EXPECT_NE(made.out.find((dir / n).string() + "\n"), std::string::npos) << n;
  for (const std::string& n : ponte_texts) crlf_lines(read_bytes(dir / n));

  // No option: the names are found in the folder.
  const auto checked = scenarioc({"check", dir.string()}, tmp.path());
  EXPECT_EQ(checked.status, 0);
  EXPECT_EQ(checked.err, "");
  const auto compiled = scenarioc({"compile", dir.string()}, tmp.path());
  EXPECT_EQ(compiled.status, 0);
  EXPECT_EQ(compiled.err, "");
  for (const char* n : {"Ponte_linea.dat", "Ponte_48.sim", "Ponte_48.dat"})
    EXPECT_TRUE(fs::is_regular_file(dir / n)) << n;
  const auto drawn = scenarioc({"render", dir.string()}, tmp.path());
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_EQ(drawn.out, (dir / "Ponte_48.svg").string() + "\n");
  EXPECT_NE(read_bytes(dir / "Ponte_48.svg").find("<svg"), std::string::npos);
  // And back: decompile finds the compiled files' names too.
  const auto back = scenarioc({"decompile", "--out", (top / "again").string(), dir.string()}, tmp.path());
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(names_in(top / "again"), (std::vector<std::string>{"Ponte_48-.txt", "Ponte_linea.txt"}));
  EXPECT_TRUE(fs::is_empty(tmp.path()));

  // The sheets hold the author's names, in Windows-1252.
  EXPECT_NE(read_bytes(dir / "Ponte_48_scheda_treno.txt").find("TRENO n. 48"), std::string::npos);
  EXPECT_NE(read_bytes(dir / "Ponte_48_note.txt").find("\xE8 testo Windows-1252"), std::string::npos);
}

TEST(ScenariocNew, ShowsEveryRecordOnceAfterAComment) {
  TempDir tmp, dir;
  ASSERT_EQ(scenarioc({"new", "Ponte", "48", dir.str()}, tmp.path()).status, 0);
  std::map<scenario::RecordId, int> rows;
  for (const char* n : {"Ponte_linea.txt", "Ponte_48-.txt"}) {
    const std::vector<std::string> lines = crlf_lines(read_bytes(dir / n));
    bool general = true;
    std::string previous_record;  // the name of the record on the line before
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      const std::string keyword = line.substr(0, line.find(','));
      if (line.starts_with("- ")) {
        EXPECT_EQ(line.find(','), std::string::npos) << "a comma ends a comment: " << line;
        previous_record.clear();
        continue;
      }
      if (line.starts_with("[")) {
        if (line != "[generale]") general = false;
        previous_record.clear();
        continue;
      }
      const scenario::Section s =
          scenario::section_of(n == std::string("Ponte_linea.txt") ? scenario::Text::linea : scenario::Text::treno,
                               general);
      int matched = 0;
      scenario::for_each_match(s, keyword, [&](const scenario::RecordInfo& r) {
        ++rows[r.id];
        ++matched;
        // A record's first row has its comment on the line before; the rows
        // of one kind (the three progressives, the two stations) share it.
        if (previous_record != r.name) {
          EXPECT_TRUE(i > 0 && lines[i - 1].starts_with("- ")) << n << ": no comment before " << line;
        }
        previous_record = r.name;
      });
      EXPECT_EQ(matched, 1) << n << ": " << line;
    }
  }
  for (const scenario::RecordInfo& r : scenario::records())
    EXPECT_EQ(rows[r.id], r.id == scenario::RecordId::stazione ? 2 : 1) << r.keyword;
}

TEST(ScenariocNew, WritesAllFiveOrNone) {
  TempDir tmp, dir;
  // A name that is taken: nothing written, the file kept.
  write_bytes(dir / "Ponte_48_note.txt", "le mie note\r\n");
  const auto before = folder_contents(dir.path());
  const auto taken = scenarioc({"new", "Ponte", "48", dir.str()}, tmp.path());
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.err, (dir / "Ponte_48_note.txt").string() +
                           ": error: already exists; new never replaces a file, nothing written\n");
  EXPECT_EQ(folder_contents(dir.path()), before);

  // A folder whose parent is missing is not made, as mkdir would not.
  const auto deep = scenarioc({"new", "Ponte", "48", (dir / "a" / "b").string()}, tmp.path());
  EXPECT_EQ(deep.status, 2);
  EXPECT_EQ(deep.err, "scenarioc: cannot create the directory \"" + (dir / "a" / "b").string() +
                          "\": its parent folder does not exist; no text written\n");
  EXPECT_FALSE(fs::exists(dir / "a"));

  struct Wrong {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Wrong& w : std::vector<Wrong>{
           {{"new", "Ponte"}, "new takes NAME, TRAIN and an optional DIR"},
           {{"new", "Ponte", "48", dir.str(), "more"}, "new takes NAME, TRAIN and an optional DIR"},
           {{"new", "Po/nte", "48", dir.str()}, "scenarioc: NAME must be a non-empty name without / or \\\n"},
           {{"new", "Ponte", "linea", dir.str()}, "scenarioc: TRAIN \"linea\" would give the cell file a name ending in _linea.dat"}}) {
    const auto r = scenarioc(w.args, tmp.path());
    EXPECT_EQ(r.status, 64) << w.message;
    EXPECT_NE(r.err.find(w.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(folder_contents(dir.path()), before);
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ScenariocNames, AFolderWithSeveralScenariosMakesTheAuthorSayWhich) {
  TempDir tmp, dir;
  ASSERT_EQ(scenarioc({"new", "Ponte", "48", dir.str()}, tmp.path()).status, 0);
  write_bytes(dir / "Ponte_49-.txt", read_bytes(dir / "Ponte_48-.txt"));
  for (const char* command : {"check", "compile"}) {
    const auto r = scenarioc({command, dir.str()}, tmp.path());
    EXPECT_EQ(r.status, 64) << command;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1),
              "scenarioc: \"" + dir.str() + "\" holds 2 train texts (Ponte_48-.txt, Ponte_49-.txt); "
              "say which with --scenario NAME and --train NUMBER\n");
  }
  // Naming the train is enough: the line text is the folder's only one.
  EXPECT_EQ(scenarioc({"check", "--train", "49", dir.str()}, tmp.path()).status, 0);

  // Two scenarios, and the embedded one beside: its line text too.
  ASSERT_EQ(scenarioc({"texts", dir.str()}, tmp.path()).status, 0);
  const auto three = scenarioc({"check", "--train", "7", dir.str()}, tmp.path());
  EXPECT_EQ(three.status, 64);
  EXPECT_NE(three.err.find("holds 2 line texts (Belvara_Quintosa_linea.txt, Ponte_linea.txt); say "
                           "which with --scenario NAME\n"),
            std::string::npos)
      << three.err;
  EXPECT_EQ(scenarioc({"check", "--scenario", "Belvara_Quintosa", dir.str()}, tmp.path()).status, 0);

  // Compiled files: render and decompile find theirs the same way.
  ASSERT_EQ(scenarioc({"compile", "--train", "48", dir.str()}, tmp.path()).status, 0);
  ASSERT_EQ(scenarioc({"compile", "--train", "49", dir.str()}, tmp.path()).status, 0);
  const auto render = scenarioc({"render", dir.str()}, tmp.path());
  EXPECT_EQ(render.status, 64);
  EXPECT_NE(render.err.find("holds 2 route files (Ponte_48.sim, Ponte_49.sim)"), std::string::npos)
      << render.err;
  EXPECT_EQ(scenarioc({"render", "--train", "49", dir.str()}, tmp.path()).status, 0);
}

TEST(ScenariocNames, CompileOutMakesAMissingFolderAsMkdirDoes) {
  TempDir tmp, dir;
  ASSERT_EQ(scenarioc({"new", "Ponte", "48", dir.str()}, tmp.path()).status, 0);
  const auto made = scenarioc({"compile", "--out", (dir / "out").string(), dir.str()}, tmp.path());
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(names_in(dir / "out"),
            (std::vector<std::string>{"Ponte_48.dat", "Ponte_48.sim", "Ponte_linea.dat"}));
  const auto deep = scenarioc({"compile", "--out", (dir / "a" / "b").string(), dir.str()}, tmp.path());
  EXPECT_EQ(deep.status, 2);
  EXPECT_EQ(deep.err, "scenarioc: cannot create the directory \"" + (dir / "a" / "b").string() +
                          "\": its parent folder does not exist\n");
  EXPECT_FALSE(fs::exists(dir / "a"));
}

}  // namespace
