// The five embedded scenario texts as files: exact bytes and line structure,
// the lines a reader or a user depends on, and whole replacement of an
// existing file.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/scenario_texts.h"
#include "test_support.h"
#include "text/text_writer.h"

namespace {

using scenario::FileNames;
using testing_support::read_bytes;
using testing_support::TempDir;
using testing_support::write_bytes;

const FileNames nomi{"Belvara_Quintosa", "254"};

// FNV-1a, 64 bits: enough to tell any change of a byte in these texts.
std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// Splits on CR LF; fails the test on a bare CR or LF or a missing final CR LF.
std::vector<std::string> lines_of(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the last line has no CR LF";
      end = bytes.size();
    }
    std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in: " << line;
    out.push_back(std::move(line));
    start = end + 2;
  }
  return out;
}

struct Sheet {
  const char* name;
  void (*write)(const std::string&, const FileNames&);
  std::span<const std::string_view> (*list)();
  std::string (FileNames::*file_name)() const;
  std::size_t size;
  std::size_t line_count;
  std::optional<std::uint64_t> hash;  // none where part of the text is free
  std::vector<std::pair<std::size_t, std::string_view>> lines;  // 1-based
};

void PrintTo(const Sheet& s, std::ostream* os) { *os << s.name; }

const std::vector<Sheet>& sheets() {
  static const std::vector<Sheet> all = {
      {"line", scenario::dati_linea, scenario::righe_linea, &FileNames::linea_txt, 2266, 75,
       0x2e9f53b29d7ab0d7ull,
       {{1, "[generale]"},
        {3, "progressiva chilometrica uno,    0,    82800,    1"},
        {9, "ripetizione segnali 4 codici,    0,    76800"},
        {11, "curvad3,  800,  450"},
        {47, "pendenza,  29700,   -1"},
        {59, "[montagne]"},
        {60, "[cartelli]"},
        {62, "indicatori_vmax,  3150,  140,  150,  160,  0,  ,  ,  ,  0"},
        {74, "[indicazioni]"},
        {75, "[fine]"}}},
      {"train", scenario::dati_treno, scenario::righe_treno, &FileNames::treno_txt, 4650, 93,
       0x34dbf05a8e286de4ull,
       {{5, "orologio,    13              56            15 "},
        {7, "aderenza,   0,    100"},
        {26, "stazione,       0,  8,  700,  0, 1, 0,  1,1,0,  4,1,1,    1,  13,57, 0, VALDORA"},
        {44,
         "stazione,   83000,  5,  800,  0, 1, 0,  1,1,0,  2,1,1,    0,  14,45, 0, VEDONA CENTRALE"},
        {45, "[rallentamenti]"},
        {46, "[segnali]"},
        {47, "segnale,    1650,   2, 3, 0,  0, 0,    0,  0,0,0, 0"},
        {48, "segnale,    4200,   2, 4, 0,  0, 0,    0,  0,0,0, 220"},
        {52, "segnale,   10050,   2, 4, 0,  0, 0,    2,  2,0,0, 0"},
        {91, "segnale,   81600,   2, 2, 3,  1, 0,    2,  2,1,1, 245"},
        {92, "[codici]"},
        {93, "[fine]"}}},
      {"notes", scenario::dati_note, scenario::righe_note, &FileNames::note, 579, 8, std::nullopt,
       {{1, "Treno impostato in rango B - la locomotiva \xE8 un E444 anche nella realt\xE0."},
        {3, "In linea c'e qualche segnale chiuso. Non ci sono rallentamenti."},
        {4,
         "Prima della stazione di Vedona Zembrata termina, come nella realt\xE0, il tratto "
         "codificato della ripetizione, per cui occhio al segnalamento! Rispettare la giusta "
         "velocit\xE0 sugli scambi."},
        {6, ""}}},
      {"slowdowns", scenario::dati_rallentamenti, scenario::righe_rallentamenti,
       &FileNames::rallentamenti, 55, 5, 0x4dfe03af82e7b19cull,
       {{1, ""}, {4, ""}, {5, "                         NESSUNA PRESCRIZIONE"}}},
      {"card", scenario::dati_scheda, scenario::righe_scheda, &FileNames::scheda, 3149, 41,
       0xa2b90600a3c84425ull,
       {{1, ""},
        {2, " "},
        {5, " |   TRENO n. 254    |                da: VALDORA                   |    V160 B    |"},
        {8, "  ___________________                ___________________ "},
        {9, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
        {11, " |___________________|              |___________________|  "},
        {12, ""},
        {13,
         "  ________________________________________________________________________________"},
        {17,
         " | 135 | 130 |   82.840 | 125 | VALDORA                    |          13.57 |     |"},
        {24,
         " |     |     |   46.050 |     | VERSIO                     |      14.16     |     | "},
        {33,
         " | 140 |     |   12.400 | 130 | FIORTELLO S.               |      14.32     | 0.5 | "},
        {35,
         " |  85 |  85 |    6.520 |  85 | PBA-P102                   |      14.36     |     | "},
        {40,
         " |     |     |    0.000 |     | VEDONA C.LE                | 14.45          | 2   | "},
        {41,
         " |_____|_____|__________|_____|____________________________|________________|_____|"}}},
  };
  return all;
}

class ScenarioTextTest : public ::testing::TestWithParam<Sheet> {};

TEST_P(ScenarioTextTest, WritesTheExactText) {
  const Sheet& s = GetParam();
  TempDir dir;
  s.write(dir.str(), nomi);
  const std::string bytes = read_bytes(dir / (nomi.*s.file_name)());

  EXPECT_EQ(bytes.size(), s.size);
  if (s.hash) {
    EXPECT_EQ(fnv1a(bytes), *s.hash);
  }
  EXPECT_EQ(bytes.find(scenario::end_of_lines), std::string::npos);

  const std::vector<std::string> lines = lines_of(bytes);
  ASSERT_EQ(lines.size(), s.line_count);
  for (const auto& [number, expected] : s.lines) {
    EXPECT_EQ(lines[number - 1], expected) << "line " << number;
  }

  // The list carries exactly the file's lines, closed by the sentinel.
  std::span<const std::string_view> list = s.list();
  ASSERT_EQ(list.size(), s.line_count + 1);
  EXPECT_EQ(list.back(), scenario::end_of_lines);
}

TEST_P(ScenarioTextTest, ReplacesAnExistingFileWhole) {
  const Sheet& s = GetParam();
  TempDir fresh;
  s.write(fresh.str(), nomi);
  const std::string expected = read_bytes(fresh / (nomi.*s.file_name)());

  TempDir dir;
  const auto file = dir / (nomi.*s.file_name)();
  write_bytes(file, std::string(10000, 'x') + "\r\n[fine]\r\n");
  s.write(dir.str(), nomi);
  EXPECT_EQ(read_bytes(file), expected);
  s.write(dir.str(), nomi);
  EXPECT_EQ(read_bytes(file), expected);
}

TEST_P(ScenarioTextTest, NamesTheFileFromScenarioAndTrain) {
  // The content is fixed text: another scenario name or train number changes
  // only the file's name, never a byte of it.
  const Sheet& s = GetParam();
  TempDir a;
  TempDir b;
  const FileNames altri{"Prova", "7"};
  s.write(a.str(), nomi);
  s.write(b.str(), altri);
  ASSERT_TRUE(std::filesystem::exists(b / (altri.*s.file_name)()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(b.path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(read_bytes(b / (altri.*s.file_name)()), read_bytes(a / (nomi.*s.file_name)()));
}

INSTANTIATE_TEST_SUITE_P(AllSheets, ScenarioTextTest, ::testing::ValuesIn(sheets()),
                         [](const ::testing::TestParamInfo<Sheet>& p) {
                           return std::string(p.param.name);
                         });

TEST(NotesSheet, AccentedLettersAreSingleBytes) {
  TempDir dir;
  scenario::dati_note(dir.str(), nomi);
  const std::string bytes = read_bytes(dir / nomi.note());
  std::size_t e_grave = 0, a_grave = 0, other_high = 0;
  for (char c : bytes) {
    auto u = static_cast<unsigned char>(c);
    if (u == 0xE8) ++e_grave;
    else if (u == 0xE0) ++a_grave;
    else if (u >= 0x80) ++other_high;
  }
  EXPECT_EQ(e_grave, 1u);
  EXPECT_EQ(a_grave, 3u);
  EXPECT_EQ(other_high, 0u);
  // Lines 1 to 6 are fixed and take 513 bytes; the signature follows.
  const std::vector<std::string> lines = lines_of(bytes);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[3].size(), 183u);
  std::size_t fixed = 0;
  for (std::size_t i = 0; i < 6; ++i) fixed += lines[i].size() + 2;
  EXPECT_EQ(fixed, 513u);
  EXPECT_FALSE(lines[6].empty());
  EXPECT_FALSE(lines[7].empty());
}

TEST(SlowdownSheet, IsFourEmptyLinesAndTheNotice) {
  TempDir dir;
  scenario::dati_rallentamenti(dir.str(), nomi);
  EXPECT_EQ(read_bytes(dir / nomi.rallentamenti()),
            "\r\n\r\n\r\n\r\n" + std::string(25, ' ') + "NESSUNA PRESCRIZIONE\r\n");
}

}  // namespace
