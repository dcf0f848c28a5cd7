// The layout tables against themselves, the writer and the reader: each
// record's fields follow one another with no gap up to the record's size,
// and every field's bytes land where its row says, in both directions.
#include "format/record_layouts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "model/format_constants.h"

namespace {

using namespace scenario;

// A value whose every byte differs from zero and from the others, negative
// where the field is signed, so a field read or written at the wrong place,
// width or sign shows.
std::int64_t telltale(const FieldLayout& f) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < f.width; ++i) v |= std::uint64_t{0x81 + 0x11 * i} << (8 * i);
  if (f.encoding == Encoding::signed_int) {
    const std::uint64_t sign = std::uint64_t{1} << (8 * f.width - 1);
    return static_cast<std::int64_t>(v ^ sign) - static_cast<std::int64_t>(sign);
  }
  return static_cast<std::int64_t>(v);
}

std::string as_string(const ByteBuffer& b) {
  return {reinterpret_cast<const char*>(b.data().data()), b.size()};
}

// What the readers need to take a file for what it is: the format marks.
Modello marked_model() {
  Modello m;
  m.tabella_percorso[voce::scenario].intero1 = marchio_percorso;
  m.celle.assign(2, cella{});
  m.celle[1].valore_a = marchio_celle;
  return m;
}

TEST(RecordLayouts, FieldsFollowOneAnotherUpToTheRecordSize) {
  std::size_t end = 0, fixed = 0;
  for (const RouteField& f : route_entry_layout) {
    EXPECT_EQ(f.layout.offset, end) << f.layout.name;
    end = f.layout.offset + f.layout.width;
    fixed += f.layout.width;
    // Only what follows the text moves with it.
    if (f.kind == RouteField::Kind::text) {
      EXPECT_EQ(f.layout.width, 0u);
    }
  }
  EXPECT_EQ(end, route_entry_fixed_size);
  EXPECT_EQ(fixed, route_entry_fixed_size);
  bool after = false;
  for (const RouteField& f : route_entry_layout) {
    EXPECT_EQ(f.after_text, after) << f.layout.name;
    after = after || f.kind == RouteField::Kind::text;
  }

  end = 0;
  for (const CellField& f : cell_layout) {
    EXPECT_EQ(f.layout.offset, end) << f.layout.name;
    EXPECT_FALSE(f.after_text);
    end = f.layout.offset + f.layout.width;
  }
  EXPECT_EQ(end, cell_size);

  for (const Tracciato::Tipo k : {Tracciato::Tipo::vuoto, Tracciato::Tipo::intero, Tracciato::Tipo::reale}) {
    const FieldLayout value = plan_value_layout(k);
    EXPECT_EQ(plan_tag_layout.offset, 0u);
    EXPECT_EQ(value.offset, plan_tag_layout.width);
    EXPECT_EQ(value.offset + value.width, Tracciato::element_width(k));
  }
  // The element widths the plan fills its images with are the file's.
  Tracciato t;
  t.crea(3);
  t.set_integer_point(0, 1, 2);
  t.set_real_point(1, 0.5, 0.25);
  EXPECT_EQ(t.image(0).size(), Tracciato::element_width(Tracciato::Tipo::intero) +
                                   Tracciato::element_width(Tracciato::Tipo::reale) +
                                   2 * Tracciato::element_width(Tracciato::Tipo::vuoto));
}

TEST(RecordLayouts, EachRouteFieldIsWrittenAndReadWhereItsRowSays) {
  const std::string text = "Quintosa";
  for (const RouteField& f : route_entry_layout) {
    if (f.kind != RouteField::Kind::number) continue;
    SCOPED_TRACE(std::string(f.layout.name));
    Modello m = marked_model();
    voce_percorso& v = m.tabella_percorso[0];
    v.testo = text;
    const std::int64_t value = telltale(f.layout);
    f.set(v, value);
    ByteBuffer b;
    serialize_route(m, b);
    const std::string bytes = as_string(b);
    ASSERT_EQ(bytes.size(), voce::numero * route_entry_fixed_size + text.size() +
                                m.tabella_percorso[voce::scenario].testo.size());

    // Entry 0 starts the file: its bytes are this field's, the text's
    // length and the text, and zeros.
    const std::size_t at = f.at(text.size());
    const std::size_t length_at = route_field("text length").at();
    const std::size_t text_at = route_field("testo").at();
    for (std::size_t i = 0; i < route_entry_fixed_size + text.size(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      if (i >= at && i < at + f.layout.width)
        EXPECT_EQ(byte, static_cast<std::uint64_t>(value) >> (8 * (i - at)) & 0xFF) << "byte " << i;
      else if (i == length_at)
        EXPECT_EQ(byte, text.size()) << "byte " << i;
      else if (i >= text_at && i < text_at + text.size())
        EXPECT_EQ(byte, static_cast<unsigned char>(text[i - text_at])) << "byte " << i;
      else
        EXPECT_EQ(byte, 0) << "byte " << i;
    }

    const auto back = read_route(bytes);
    EXPECT_EQ(back[0].testo, text);
    for (const RouteField& g : route_entry_layout) {
      if (g.kind == RouteField::Kind::number) {
        EXPECT_EQ(g.get(back[0]), &g == &f ? value : 0) << g.layout.name;
      }
    }
  }
}

TEST(RecordLayouts, EachCellFieldIsWrittenAndReadWhereItsRowSays) {
  for (const CellField& f : cell_layout) {
    SCOPED_TRACE(std::string(f.layout.name));
    Modello m = marked_model();
    const std::int64_t value = telltale(f.layout);
    f.set(m.celle[0], value);
    ByteBuffer b;
    serialize_cells(m, b);
    const std::string bytes = as_string(b);
    ASSERT_EQ(bytes.size(), 2 * cell_size);
    for (std::size_t i = 0; i < cell_size; ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      if (i >= f.at() && i < f.at() + f.layout.width)
        EXPECT_EQ(byte, static_cast<std::uint64_t>(value) >> (8 * (i - f.at())) & 0xFF) << "byte " << i;
      else
        EXPECT_EQ(byte, 0) << "byte " << i;
    }
    const std::vector<cella> back = read_cells(bytes);
    for (const CellField& g : cell_layout) EXPECT_EQ(g.get(back[0]), &g == &f ? value : 0) << g.layout.name;
  }
}

}  // namespace
