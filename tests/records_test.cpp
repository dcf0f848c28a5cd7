// The record table's keyword tests: which records a keyword field is read
// as, in each place, and in what order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rows/records.h"

namespace {

using namespace scenario;

std::vector<RecordId> read_as(Section s, std::string_view field) {
  std::vector<RecordId> ids;
  for_each_match(s, field, [&](const RecordInfo& r) { ids.push_back(r.id); });
  return ids;
}

TEST(RecordTable, KeywordFieldsAreReadAsTheirRecordsInTestOrder) {
  using R = RecordId;
  const struct {
    Section section;
    std::string_view field;
    std::vector<RecordId> records;
  } cases[] = {
      {Section::general, "LUNGHEZZA Percorso", {R::lunghezza}},
      {Section::general, "Progressiva chilometrica tre", {}},  // case exact
      {Section::general, "progressiva chilometrica uno", {R::progressiva_uno}},
      // Several tests pass: each reads its values, in table order.
      {Section::general, "sfondo tre progressiva uno", {R::progressiva_tre, R::progressiva_uno,
                                                        R::sfondo_uno, R::sfondo_tre}},
      {Section::general, "sfondo due", {R::sfondo_due}},
      {Section::general, "ripetizione segnali 9 codici", {R::ripetizione}},
      {Section::general, "pendenza", {}},
      {Section::body, "indicatori_vmax", {R::indicatori}},
      {Section::body, "Cartello Indicatore", {R::cartello}},
      {Section::body, "CURVAS2", {R::curva}},
      {Section::body, "pendenza montagna", {R::pendenza, R::montagna}},
      {Section::body, "sfondo uno", {}},
      {Section::train, "percentuale massa frenata", {R::frenata}},
      {Section::train, "Velocita", {R::velocita}},
      {Section::train, "SEGNALE", {R::segnale}},
      {Section::train, "[segnali]", {}},
      {Section::train, "[stazioni]", {}},
      {Section::train, "[aderenze]", {}},
      {Section::train, "segnale stazione", {R::segnale, R::stazione}},
  };
  for (const auto& c : cases) EXPECT_EQ(read_as(c.section, c.field), c.records) << c.field;
}

TEST(RecordTable, EveryRecordSpelledAsWrittenPassesItsOwnTestOnly) {
  for (const RecordInfo& r : records()) {
    const std::vector<RecordId> ids = read_as(r.section, r.keyword);
    ASSERT_EQ(ids.size(), 1u) << r.keyword;
    EXPECT_EQ(ids[0], r.id) << r.keyword;
    EXPECT_EQ(written_keyword(r.keyword), &r);
  }
  EXPECT_EQ(comment_fields(Section::general), 10);
  EXPECT_EQ(comment_fields(Section::body), 2);
  EXPECT_EQ(comment_fields(Section::train), 2);
}

}  // namespace

// Hover and completion show a value's meaning: none may be left blank.
TEST(RecordTable, EveryValueOfEveryRecordIsDescribed) {
  for (const RecordInfo& r : records()) {
    EXPECT_FALSE(r.meaning.empty()) << r.keyword;
    for (const ValueInfo& v : r.values) {
      EXPECT_FALSE(v.meaning.empty()) << r.keyword << " " << v.name;
      EXPECT_FALSE(v.becomes.empty()) << r.keyword << " " << v.name;
    }
  }
}
