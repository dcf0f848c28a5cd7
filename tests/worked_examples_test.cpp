// The worked examples of doc/description-formats.md are compiled as they
// stand: each example's rows, on a bare 30 km line or in an otherwise empty
// train, must compile quietly into the cells and route entries its tables
// state. A table with a tipo_cella column states every cell that holds a
// feature, so a cell the doc leaves out fails too.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "format/record_layouts.h"
#include "warning_test_support.h"

namespace {

using namespace scenario;
using namespace testing_support;

struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

struct Example {
  std::string name, text;  // text: "line" or "train"
  std::string rows;        // CR LF lines
  std::vector<Table> tables;
};

std::string trimmed(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  return s;
}

std::vector<std::string> cells_of(const std::string& row) {
  std::vector<std::string> out;
  std::string cell;
  for (std::size_t i = 1; i < row.size(); ++i) {
    if (row[i] == '|') {
      out.push_back(trimmed(cell));
      cell.clear();
    } else {
      cell += row[i];
    }
  }
  return out;
}

// Each "<!-- worked example: NAME (line|train) -->" up to the next one or the
// next heading: its indented rows and its tables.
std::vector<Example> examples(const std::string& doc) {
  std::vector<Example> out;
  std::istringstream in(doc);
  std::string line;
  const std::string mark = "<!-- worked example: ";
  Example* e = nullptr;
  bool in_table = false;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find_last_not_of('\r') + 1);
    if (line.rfind(mark, 0) == 0) {
      const std::size_t open = line.rfind(" (");
      out.push_back({line.substr(mark.size(), open - mark.size()),
                     line.substr(open + 2, line.find(')', open) - open - 2), "", {}});
      e = &out.back();
      in_table = false;
      continue;
    }
    if (e == nullptr) continue;
    if (line.rfind("#", 0) == 0) {
      e = nullptr;
      continue;
    }
    if (line.rfind("    ", 0) == 0) {
      e->rows += line.substr(4) + "\r\n";
    } else if (line.rfind("|", 0) == 0) {
      if (!in_table) e->tables.push_back({cells_of(line), {}});
      else if (line.rfind("|---", 0) != 0) e->tables.back().rows.push_back(cells_of(line));
      in_table = true;
      continue;
    }
    in_table = false;
  }
  return out;
}

// "401" or "401 to 404".
std::pair<long, long> span_of(const std::string& s) {
  const std::size_t to = s.find(" to ");
  if (to == std::string::npos) return {std::stol(s), std::stol(s)};
  return {std::stol(s.substr(0, to)), std::stol(s.substr(to + 4))};
}

void check_cells(const Table& t, const Modello& m) {
  std::set<long> stated;
  for (const std::vector<std::string>& row : t.rows) {
    ASSERT_EQ(row.size(), t.header.size()) << row[0];
    const auto [first, last] = span_of(row[0]);
    for (long c = first; c <= last; ++c) {
      stated.insert(c);
      ASSERT_LT(static_cast<std::size_t>(c), m.celle.size());
      for (std::size_t i = 1; i < row.size(); ++i) {
        for (const CellField& f : cell_layout) {
          if (f.layout.name != t.header[i]) continue;
          EXPECT_EQ(std::to_string(f.get(m.celle[static_cast<std::size_t>(c)])), row[i])
              << "cell " << c << " " << t.header[i];
        }
      }
    }
  }
  bool every_feature = false;
  for (const std::string& h : t.header) every_feature = every_feature || h == "tipo_cella";
  if (!every_feature) return;
  for (std::size_t c = 0; c < m.celle.size(); ++c) {
    if (m.celle[c].tipo_cella == 0) continue;
    EXPECT_TRUE(stated.contains(static_cast<long>(c)))
        << "cell " << c << " holds kind " << int{m.celle[c].tipo_cella} << ", not stated";
  }
}

void check_entries(const Table& t, const Modello& m) {
  for (const std::vector<std::string>& row : t.rows) {
    ASSERT_EQ(row.size(), t.header.size()) << row[0];
    const voce_percorso& v = m.tabella_percorso[static_cast<std::size_t>(std::stol(row[0]))];
    for (std::size_t i = 1; i < row.size(); ++i) {
      if (t.header[i] == "testo") {
        EXPECT_EQ("`" + v.testo + "`", row[i]) << "entry " << row[0];
        continue;
      }
      for (const RouteField& f : route_entry_layout) {
        if (f.kind != RouteField::Kind::number || f.layout.name != t.header[i]) continue;
        EXPECT_EQ(std::to_string(f.get(v)), row[i]) << "entry " << row[0] << " " << t.header[i];
      }
    }
  }
}

TEST(WorkedExamples, CompileIntoTheCellsTheDocStates) {
  const std::vector<Example> all =
      examples(read_bytes(std::string(GOLDEN_DIR) + "/../../doc/description-formats.md"));
  std::set<std::string> names;
  for (const Example& e : all) {
    SCOPED_TRACE(e.name);
    names.insert(e.name);
    ASSERT_FALSE(e.rows.empty());
    ASSERT_FALSE(e.tables.empty());
    const Compiled c = e.text == "line" ? compile_placed(line_with(e.rows, 30000), empty_train)
                                        : compile_placed(bare_line, train_with(e.rows));
    EXPECT_EQ(c.seen, std::vector<Seen>{});
    for (const Table& t : e.tables) {
      if (t.header.at(0) == "cell") check_cells(t, c.m);
      else if (t.header.at(0) == "entry") check_entries(t, c.m);
      else ADD_FAILURE() << "a table's first column is neither 'cell' nor 'entry': " << t.header[0];
    }
  }
  // The records the embedded scenario lacks, each shown once at least.
  for (const char* name : {"mountain", "text board", "slowdown", "abbattimento"})
    EXPECT_TRUE(names.contains(name)) << name;
}

}  // namespace
