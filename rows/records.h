// The record table: every record of the two description texts, written down
// once. The readers test keyword fields against it, the warnings take their
// keywords and value counts from it, the language server its completion,
// hover texts and outline, and the description-format doc is checked
// against it.
//
// How to query it:
//   records()                  every record: the line description's general
//                              section, its body, then the train description,
//                              each part in the order its reader tests them.
//   records_in(s)              the records of section s, in test order.
//   record(id)                 one record by its RecordId.
//   matches(rec, field)        the reader's own test of a keyword field.
//   match_mask(s, field)       every test of section s at once, as a bit set.
//   for_each_match(s, f, fn)   fn(rec) for every record of s whose test the
//                              keyword field f passes, in test order: each
//                              one reads its own values (a field may pass
//                              several tests).
//   comment_fields(s)          how many hyphen fields in a row the reader
//                              skips as comments before taking a keyword.
//   section_of(text, general)  the section a keyword in that place is read in.
//   written_keyword(f)         the record whose keyword as written equals f
//                              (any case), or nullptr.
// A record's values (rec.values, in reading order) carry their name, their
// meaning to the author, what the compiler makes of them and where it puts
// them (`becomes`), the store (bits(), is_signed()), the range that fits
// and what a value outside it does. rec.placement and rec.far_margin say
// how the row lands on the track cells; the constants at the end give the
// counts and limits of the placements that hang off a record's own cell.
// How a text is walked to its keyword fields: rows/keyword_fields.h.
// Everything is constexpr data; the table's order and contents are the
// readers' contract, so adding a record or a value means adding it here
// (add, don't rename: other layers query it).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/diagnostics.h"

namespace scenario {

// Where a keyword field is read: each place has its own records.
enum class Section : std::uint8_t { general, body, train };

// Every record, in the order of the table.
enum class RecordId : std::uint8_t {
  lunghezza, progressiva_tre, progressiva_due, progressiva_uno, sfondo_uno, sfondo_due,
  sfondo_tre, ripetizione,
  pendenza, curva, montagna, indicatori, cartello,
  frenata, vetture, velocita, aderenza, orologio, sabbia, segnale, rallentamento,
  abbattimento, stazione,
};
inline constexpr std::size_t record_count = 23;

// Keyword tests are substring tests on the field, never equality; every word
// of a test must occur.
enum class LetterCase : std::uint8_t { exact, ignored };

struct KeywordTest {
  std::array<std::string_view, 2> words;  // an empty second word: one word only
  LetterCase letter_case;
};

// How a value is kept. A value outside `min`..`max` takes `outside`.
enum class Storage : std::uint8_t {
  whole,     // 32-bit signed, as read
  small,     // 16-bit signed
  byte,      // unsigned byte, 0 to 255
  low_byte,  // its low 8 bits, whatever was read
  fifth,     // nearest(v / 5) in an unsigned byte
  text,      // a text field
};

enum class Outside : std::uint8_t {
  nothing,   // every 32-bit value is taken
  failure,   // a reading failure: error 25
  wraps,     // only the low bits are kept
  error,     // the scenario error `error` of the value
};

struct ValueInfo {
  std::string_view name;     // as the legacy procedures call it
  std::string_view meaning;  // what it is to the author
  std::string_view becomes;  // what the compiler makes of it and where it goes
  Storage storage;
  std::int64_t min, max;     // the range that fits
  Outside outside;
  std::int32_t error = 0;    // with Outside::error
  std::int32_t multiple_of = 0;  // not 0: a value that is no multiple of it is `error`
  bool is_text() const { return storage == Storage::text; }
  // Width in bits of the store, and whether it is signed.
  constexpr int bits() const {
    switch (storage) {
      case Storage::whole: return 32;
      case Storage::small: return 16;
      case Storage::byte: case Storage::low_byte: case Storage::fifth: return 8;
      case Storage::text: return 0;
    }
    return 0;
  }
  constexpr bool is_signed() const { return storage == Storage::whole || storage == Storage::small; }
};

// How a row lands on the track cells.
enum class Placement : std::uint8_t {
  none,          // values for the route table or the simulator only
  point,         // one cell, nearest(p / 50 + 1): signals, speed and text boards
  abbattimento,  // one cell, nearest(p / 50)
  slowdown,      // warning, start and end cells and approach marks
  station,       // stop cell and approach marks, from its route entry
  step,          // from cell nearest(p / 50) on: gradient, speed, adhesion
  span,          // nearest(p / 50) to nearest(q / 50 - 1): mountain
  curve,         // start and length: the line plan only
};

// The words of a keyword as an author means to write it: a field that holds
// each of them, one only nearly, is taken for a misspelling of the record.
struct Spelling {
  std::array<std::string_view, 2> words;  // an empty second word: one word only
};

struct RecordInfo {
  RecordId id;
  std::string_view keyword;  // as the writers spell it
  std::string_view name;     // what messages call it: "'progressiva' takes 3 values"
  std::string_view title;    // in plain words: "signal"
  std::string_view meaning;
  Text text;
  Section section;
  KeywordTest test;
  Placement placement;
  // A row at position p (its first value) is beyond the track when
  // (p + far_margin) / 50 exceeds the last cell: error 15. 0: not checked.
  std::int32_t far_margin;
  std::span<const ValueInfo> values;
  std::span<const Spelling> spellings;
  std::size_t value_count() const { return values.size(); }
};

std::span<const RecordInfo> records();
std::span<const RecordInfo> records_in(Section s);
const RecordInfo& record(RecordId id);

// The reader's test; `field` as read (any case).
bool matches(const RecordInfo& r, std::string_view field);

// Every test of section s made on the keyword field at once: bit i is set
// when the i-th record of records_in(s) passes.
std::uint32_t match_mask(Section s, std::string_view field);

template <typename F>
void for_each_match(Section s, std::string_view field, F&& f) {
  const std::uint32_t mask = match_mask(s, field);
  const std::span<const RecordInfo> in = records_in(s);
  for (std::size_t i = 0; i < in.size(); ++i)
    if ((mask >> i & 1u) != 0) f(in[i]);
}

// Hyphen fields skipped in a row before a keyword: 10 in the general
// section, 2 elsewhere; a further field is a keyword whatever it holds.
constexpr int comment_fields(Section s) { return s == Section::general ? 10 : 2; }

// The field that opens both texts' records: everything before it is skipped.
inline constexpr std::string_view generale_field = "[generale]";

// Signal repetition: the number of codes is the first of these digits the
// keyword holds (an end of 0 makes it 0).
inline constexpr std::array<char, 2> repetition_codes = {'4', '9'};

// Curve keyword: its class is the first of the digits 1 to 6 it holds,
// tested in that order; an "s" (any case) makes it left-handed.
inline constexpr std::array<double, 6> curve_class_curvature = {0.0001, 0.0002, 0.0004,
                                                                0.001,  0.002,  0.003};
inline constexpr std::array<std::string_view, 2> curve_keywords = {"curvad3", "curvas2"};
// A curve keyword without a class digit: error 103 (with the line plan).
inline constexpr std::string_view curve_class_digits = "123456";
// The side letters of a curve keyword as the writers spell it: the record's
// word, then the side, then the class digit ("curvad3"). Only the left
// letter is tested.
inline constexpr char curve_right = 'd';
inline constexpr char curve_left = 's';
// A curve keyword from its side and class, either as letters or as any
// text standing for them (an editor's snippet).
std::string curve_keyword(std::string_view side, std::string_view class_digit);
std::string curve_keyword(bool left, int class_number);
// The repetition keyword with `codes` in place of the table's digit.
std::string repetition_keyword(std::string_view codes);

// Placements that hang off a record's own cell.
inline constexpr int signal_marks = 4;            // approach marks 2, 4, 6, 8 cells before
inline constexpr int signal_mark_step = 2;
inline constexpr std::int32_t slowdown_warning_above = 1500;  // a warning board only past it
inline constexpr std::int32_t slowdown_warning_before = 1200; // metres before the start
inline constexpr int slowdown_approach_marks = 4;
inline constexpr int station_marks = 4;
inline constexpr int station_unmarked_types_from = 25;

Section section_of(Text t, bool general);
// A bracketed keyword field ends the general section unless, leading spaces
// set aside, it begins with "-".
bool closes_general(std::string_view field);
const RecordInfo* written_keyword(std::string_view field);

}  // namespace scenario
