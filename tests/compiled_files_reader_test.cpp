// The mirror reader of the compiled files: the embedded scenario's three
// files read back and written again give the same bytes, and damaged files
// are refused with the offset at fault.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "driver/one_shot_run.h"
#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "text/scenario_texts.h"
#include "test_support.h"

namespace {

using namespace scenario;
using testing_support::read_bytes;
using testing_support::TempDir;

struct CompiledBytes {
  std::string linea, percorso, celle;
};

// The embedded scenario compiled once, in process, by the compiler library.
const CompiledBytes& compilati() {
  static const CompiledBytes c = [] {
    TempDir dir;
    Modello m;
    m.nome_scenario = "Belvara_Quintosa";
    m.numero_treno = "254";
    const FileNames nomi{m.nome_scenario, m.numero_treno};
    dati_linea(dir.str(), nomi);
    dati_treno(dir.str(), nomi);
    memorizza_percorso(m, dir.str(), 1);
    return CompiledBytes{read_bytes(dir / nomi.linea_dat()), read_bytes(dir / nomi.percorso_sim()),
                     read_bytes(dir / nomi.celle_dat())};
  }();
  return c;
}

std::string as_string(const ByteBuffer& b) { return std::string(b.data().begin(), b.data().end()); }

TEST(CompiledFilesReader, EmbeddedFilesReadBackToTheSameBytes) {
  const CompiledBytes& c = compilati();
  Modello m;
  m.tabella_percorso = read_route(c.percorso);
  m.celle = read_cells(c.celle);
  m.tracciato = read_plan(c.linea);

  ByteBuffer b;
  serialize_route(m, b);
  EXPECT_EQ(as_string(b), c.percorso);
  b.clear();
  serialize_cells(m, b);
  EXPECT_EQ(as_string(b), c.celle);
  std::string linea;
  serialize_plan(m.tracciato, 1 << 16, [&](std::span<const std::uint8_t> part) {
    linea.append(part.begin(), part.end());
  });
  EXPECT_EQ(linea, c.linea);

  // A few values decoded where the format puts them.
  EXPECT_EQ(m.tabella_percorso[1].testo, "VALDORA");
  EXPECT_EQ(m.tabella_percorso[85].dato4, 33391);
  EXPECT_EQ(m.celle.size(), 1841u);
  EXPECT_EQ(m.celle[1].valore_b, 2455);
  EXPECT_EQ(m.tracciato.punti(), 92001u);
}

struct Damage {
  const char* name;
  std::function<std::string(const CompiledBytes&)> file;
  std::function<void(std::string_view)> leggi;
  std::size_t offset;
  const char* message;  // a part of the error text
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

std::string con(std::string s, std::size_t at, std::string_view bytes) {
  return s.replace(at, bytes.size(), bytes);
}

const auto percorso = [](std::string_view b) { read_route(b); };
const auto celle = [](std::string_view b) { read_cells(b); };
const auto linea = [](std::string_view b) { read_plan(b); };

// Offsets below: entry 86 ("254") is the last 37 bytes of the 3173, entry
// 85 ("Belvara_Quintosa") the 50 before, its intero1 at 16 + 16 into it.
class CompiledFilesReaderDamage : public testing::TestWithParam<Damage> {};

TEST_P(CompiledFilesReaderDamage, IsRefusedWithTheOffsetAtFault) {
  const Damage& d = GetParam();
  const std::string bytes = d.file(compilati());
  try {
    d.leggi(bytes);
    FAIL() << "accepted";
  } catch (const MalformedFile& e) {
    EXPECT_EQ(e.offset(), d.offset) << e.what();
    EXPECT_NE(std::string(e.what()).find(d.message), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("offset " + std::to_string(d.offset) + ": ", 0), 0u)
        << e.what();
  }
}

const std::size_t punti_massimi = 1000000 + 7000 + 1;

INSTANTIATE_TEST_SUITE_P(
    All, CompiledFilesReaderDamage,
    testing::Values(
        Damage{"route_empty", [](const CompiledBytes&) { return std::string(); }, percorso, 0,
              "cut short in entry 0 tipo_voce"},
        Damage{"route_cut_in_a_text",
              [](const CompiledBytes& c) { return c.percorso.substr(0, c.percorso.find("VALDORA") + 3); },
              percorso, 50, "cut short in entry 1 testo (7 bytes needed, 3 left)"},
        Damage{"route_cut_in_the_last_field",
              [](const CompiledBytes& c) { return c.percorso.substr(0, c.percorso.size() - 1); },
              percorso, 3169, "cut short in entry 86 dato4"},
        Damage{"route_with_a_byte_more", [](const CompiledBytes& c) { return c.percorso + '\0'; },
              percorso, 3173, "1 bytes follow the last of the 87 route entries"},
        Damage{"route_text_length_past_the_end",
              [](const CompiledBytes& c) { return con(c.percorso, 14, "\xff\xff"); }, percorso, 16,
              "entry 0 testo (65535 bytes needed"},
        Damage{"route_without_format_mark",
              [](const CompiledBytes& c) { return con(c.percorso, 3118, "\x63\x02"); }, percorso, 3118, "entry 85 intero1 is 611, not the format mark 610"},
        Damage{"cells_empty", [](const CompiledBytes&) { return std::string(); }, celle, 0,
              "at least cells 0 and 1"},
        Damage{"cells_part_of_a_cell",
              [](const CompiledBytes& c) { return c.celle.substr(0, c.celle.size() - 1); }, celle,
              27600, "14 bytes into a cell"},
        Damage{"cells_without_format_mark",
              [](const CompiledBytes& c) { return con(c.celle, 16, std::string(2, '\0')); }, celle, 16,
              "cell 1 valore_a is 0"},
        Damage{"cells_more_than_the_longest_route",
              [](const CompiledBytes& c) { return c.celle + std::string(15 * 20141 - c.celle.size() + 15, '\0'); },
              celle, 15 * 20141, "20142 cells"},
        Damage{"line_unknown_tag", [](const CompiledBytes& c) { return con(c.linea, 0, "\x03"); },
              linea, 0, "element 0 has the tag 3"},
        Damage{"line_cut_in_a_value",
              [](const CompiledBytes& c) { return c.linea.substr(0, c.linea.size() - 4 - 1); }, linea,
              1839952, "element 183999 (real) (8 bytes needed, 7 left)"},
        Damage{"line_odd_element_count", [](const CompiledBytes& c) { return c.linea + std::string(2, '\0'); },
              linea, 1839966, "odd number of elements"},
        Damage{"line_shifted_halves",
              [](const CompiledBytes& c) { return c.linea.substr(0, c.linea.size() - 4); }, linea,
              919980, "point 0 has the tag 2 in coordinate 0 but 0 in coordinate 1"},
        Damage{"line_longer_than_the_longest_line",
              [](const CompiledBytes&) { return std::string(4 * punti_massimi + 2, '\0'); }, linea,
              4 * punti_massimi, "more elements than"}),
    [](const testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });

TEST(CompiledFilesReader, FileKindComesFromTheNameEnding) {
  EXPECT_EQ(compiled_file_kind("/a/Belvara_Quintosa_linea.dat"), CompiledFileKind::linea);
  EXPECT_EQ(compiled_file_kind("Belvara_Quintosa_254.dat"), CompiledFileKind::celle);
  EXPECT_EQ(compiled_file_kind("linea.dat"), CompiledFileKind::celle);
  EXPECT_EQ(compiled_file_kind("X_LINEA.DAT"), CompiledFileKind::linea);
  EXPECT_EQ(compiled_file_kind("Belvara_Quintosa_254.Sim"), CompiledFileKind::percorso);
  EXPECT_EQ(compiled_file_kind("Belvara_Quintosa_254-.txt"), CompiledFileKind::unknown);
  EXPECT_EQ(compiled_file_kind("dat"), CompiledFileKind::unknown);
}

}  // namespace
