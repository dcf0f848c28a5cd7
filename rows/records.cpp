#include "rows/records.h"

#include <limits>
#include <string>

#include "rows/text_match.h"

namespace scenario {
namespace {

constexpr std::int64_t i32_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t i32_max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t i16_min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t i16_max = std::numeric_limits<std::int16_t>::max();

using S = Storage;
using O = Outside;

constexpr ValueInfo whole(std::string_view name, std::string_view meaning, std::string_view becomes) {
  return {name, meaning, becomes, S::whole, i32_min, i32_max, O::nothing};
}
constexpr ValueInfo small(std::string_view name, std::string_view meaning, std::string_view becomes) {
  return {name, meaning, becomes, S::small, i16_min, i16_max, O::failure};
}
constexpr ValueInfo byte(std::string_view name, std::string_view meaning, std::string_view becomes) {
  return {name, meaning, becomes, S::byte, 0, 255, O::failure};
}
constexpr ValueInfo low(std::string_view name, std::string_view meaning, std::string_view becomes) {
  return {name, meaning, becomes, S::low_byte, 0, 255, O::wraps};
}
// A flag the doc gives as 0 or 1; any other value is stored as read.
constexpr ValueInfo flag(std::string_view name, std::string_view meaning, std::string_view becomes) {
  return {name, meaning, becomes, S::whole, 0, 1, O::nothing};
}
constexpr ValueInfo multiple(std::string_view name, std::string_view meaning, std::string_view becomes,
                             std::int32_t error, std::int32_t of = 50) {
  return {name, meaning, becomes, S::whole, i32_min, i32_max, O::error, error, of};
}

// Line description, general section.
constexpr ValueInfo lunghezza[] = {
    {"L", "length of the line in metres, 1 to 1000000; sizes the track cells",
     "route entry 84 dato2; lunghezza_totale = L + 7000, ultima_cella = nearest(lunghezza_totale / 50)",
     S::whole, 1, 1000000, O::error, 1}};
// The three progressives differ only in their route entry: 81 for three,
// 82 for two, 83 for one.
constexpr ValueInfo progressiva[] = {
    multiple("position", "where the reference holds, in metres along the line (a multiple of 50)",
             "dato1 of route entry 81 (tre), 82 (due) or 83 (uno), then ordered by position", 2),
    multiple("progressive", "what the kilometre marks read there, in metres (a multiple of 50)",
             "dato2 of the same entry, then ordered by position", 2),
    flag("flag", "0 or 1; 1 adds 100 m to the progressive", "dato3 of the same entry")};
constexpr ValueInfo sfondo_uno[] = {
    whole("value", "passed to the simulator unchanged", "route entry 85 dato1")};
constexpr ValueInfo sfondo_due[] = {
    whole("value", "passed to the simulator unchanged", "route entry 85 dato3")};
constexpr ValueInfo sfondo_tre[] = {
    whole("value", "passed to the simulator unchanged", "route entry 85 dato2")};
constexpr ValueInfo ripetizione[] = {
    multiple("start", "where signal repetition begins, in metres (a multiple of 50)",
             "route entry 86 dato1", 3),
    multiple("end", "where it ends, in metres (a multiple of 50); 0 means no repetition",
             "route entry 86 dato2; dato3 = 4 or 9 from the keyword, 0 when the end is 0", 4)};

// Line description, body.
constexpr ValueInfo pendenza[] = {
    whole("position", "from here on, up to the next gradient row, the line has this gradient (metres)",
          "the gradient byte of the cells from nearest(position / 50) on"),
    {"gradient", "-100 to 155", "codice_pendenza = gradient + 100, its low 8 bits", S::low_byte, -100,
     155, O::wraps}};
constexpr ValueInfo curva[] = {
    whole("start", "where the curve begins, in metres", "the plan point the curve starts at"),
    whole("length", "how long it is, in metres", "the plan points it bends")};
constexpr ValueInfo montagna[] = {
    whole("start", "where the span begins, in metres",
          "montagne_inizio; cells from nearest(inizio / 50)"),
    whole("end", "where it ends, in metres", "montagne_fine; cells up to nearest(fine / 50 - 1)"),
    low("type", "stored for the simulator; above 10: tipo - 10 with a marker every fourth cell",
        "codice_montagna of the span's cells (low 8 bits); tipo_cella 11 on the markers")};
constexpr ValueInfo indicatori[] = {
    whole("position", "where the board stands, in metres",
          "tipo_cella 6 in cell nearest(posizione / 50 + 1)"),
    whole("vas", "speed a of the s set", "valore_a = nearest(vad / 5 + vas x 20), 16-bit"),
    whole("vbs", "speed b of the s set", "valore_b = nearest(vbd / 5 + vbs x 20), 16-bit"),
    whole("vcs", "speed c of the s set", "valore_c = nearest(vcd / 5 + vcs x 20), 16-bit"),
    whole("strisces", "stripe count of the s set", "valore_d = strisces x 10 + strisced, 16-bit"),
    whole("vad", "speed a of the d set (empty reads 0)", "into valore_a in steps of 5"),
    whole("vbd", "speed b of the d set (empty reads 0)", "into valore_b in steps of 5"),
    whole("vcd", "speed c of the d set (empty reads 0)", "into valore_c in steps of 5"),
    whole("strisced", "stripe count of the d set", "into valore_d")};
constexpr ValueInfo cartello[] = {
    whole("position", "where the board stands, in metres",
          "tipo_cella 14 in cell nearest(posizione / 50 + 1); valore_a = its route entry"),
    {"text", "what the board shows", "testo of route entries 80, 79, ... in order of appearance",
     S::text, 0, 65535, O::failure}};

// Train description.
constexpr ValueInfo frenata[] = {
    whole("percentage", "braked-mass percentage", "route entry 84 dato1")};
constexpr ValueInfo vetture[] = {whole("cars", "number of cars", "route entry 84 dato3")};
constexpr ValueInfo velocita[] = {
    whole("position", "from cell nearest(position / 50) on, up to the next speed step (metres)",
          "where vel_limite changes"),
    {"speed", "km/h, kept in steps of 5 (up to 1277)", "vel_limite = nearest(speed / 5), one byte",
     S::fifth, -2, 1277, O::failure}};
constexpr ValueInfo aderenza[] = {
    whole("position", "from cell nearest(position / 50) on, up to the next adhesion step (metres)",
          "where aderenza changes"),
    low("adhesion", "kept in its low 8 bits", "aderenza of the cells, one byte")};
constexpr ValueInfo orologio[] = {small("hours", "clock at the start", "route entry 86 intero3"),
                                  small("minutes", "clock at the start", "route entry 86 intero4"),
                                  small("seconds", "clock at the start", "route entry 86 intero5")};
constexpr ValueInfo sabbia[] = {small("sand", "sand", "route entry 86 intero1")};
constexpr ValueInfo segnale[] = {
    whole("position", "where the signal stands, in metres",
          "tipo_cella 1 in cell nearest(posizione / 50 + 1)"),
    whole("sx", "an sx of 2 keeps the tempo",
          "valore_d = rapp x 10 + sx x 3 + dx; preavviso = (sx x 3 + dx) x 10 + k"),
    whole("s1", "first code of the s side", "valore_a = s1 x 10 + d1"),
    whole("s2", "second code of the s side", "valore_b = s2 x 10 + d2"),
    whole("s3", "third code of the s side", "valore_c = s3 x 10 + d3"),
    whole("rapp", "stored for the simulator as the tens of the signal cell's valore_d",
          "valore_d = rapp x 10 + sx x 3 + dx"),
    whole("dx", "the d side's counterpart of sx; with sx it gives the approach marks' preavviso",
          "valore_d = rapp x 10 + sx x 3 + dx; preavviso = (sx x 3 + dx) x 10 + k"),
    whole("d1", "first code of the d side", "valore_a = s1 x 10 + d1"),
    whole("d2", "second code of the d side", "valore_b = s2 x 10 + d2"),
    whole("d3", "third code of the d side", "valore_c = s3 x 10 + d3"),
    low("tempo", "kept when sx is 2 (1 to 100 become 101)", "tempo_segnale, low 8 bits")};
constexpr ValueInfo rallentamento[] = {
    whole("x", "where the slowdown starts, in metres; a warning board stands 1200 m before it",
          "tipo_cella 3 in cell nearest(x / 50 + 1); 4 in nearest((x - 1200) / 50 + 1) past 1500 m"),
    whole("v", "the value of its start, end and warning cells", "valore_a of those cells"),
    whole("l", "its length, in metres", "tipo_cella 2 in cell nearest((x + l) / 50 + 1)"),
    whole("f_tt", "into its start and end cells", "valore_c of the start and end cells"),
    whole("f_ta", "not 0: four approach marks before the warning board",
          "tipo_cella 5 in the four cells before the warning board"),
    whole("d_v", "not 0: into every one of its cells", "valore_b of every slowdown cell")};
constexpr ValueInfo abbattimento[] = {
    whole("position", "in metres", "tipo_cella 12 or 13 in cell nearest(position / 50)"),
    whole("value", "above 0: a point with this value; else a point without one",
          "valore_a with tipo_cella 12")};
constexpr ValueInfo stazione[] = {
    multiple("position", "in metres, a multiple of 50", "route entry dato3", 8),
    byte("type", "5, 6 end at position + 150; 7, 8 span position +- length; others are centred; "
                 "25 and above mark no cell",
         "route entry tipo_voce"),
    multiple("length", "in metres, a multiple of 100", "shapes the stretch dato1 .. dato2; not kept", 9, 100),
    byte("byte1", "stored for the simulator", "route entry byte1"),
    byte("byte5", "cleared below 600 m and for the first station", "route entry byte5"),
    byte("byte4", "extension flag: adds 50 m to a centred station", "route entry byte4"),
    small("intero1", "stored for the simulator", "route entry intero1"),
    small("intero2", "stored for the simulator", "route entry intero2"),
    byte("byte2", "stored for the simulator", "route entry byte2"),
    small("intero3", "stored for the simulator", "route entry intero3"),
    small("intero4", "stored for the simulator", "route entry intero4"),
    small("intero5", "stored for the simulator", "route entry intero5"),
    byte("byte3", "stored for the simulator", "route entry byte3"),
    whole("hours", "timetable time", "route entry dato4 = (hours x 60 + minutes) x 60 + seconds"),
    whole("minutes", "timetable time", "route entry dato4"),
    whole("seconds", "timetable time", "route entry dato4"),
    {"NAME", "the station's name; quote it to hold a comma", "route entry testo", S::text, 0, 65535,
     O::failure}};

// The words of each keyword for near misses.
constexpr Spelling spelled_lunghezza[] = {{{"lunghezza","percorso"}}};
constexpr Spelling spelled_progressiva_tre[] = {{{"progressiva","tre"}}};
constexpr Spelling spelled_progressiva_due[] = {{{"progressiva","due"}}};
constexpr Spelling spelled_progressiva_uno[] = {{{"progressiva","uno"}}};
constexpr Spelling spelled_sfondo_uno[] = {{{"sfondo","uno"}}};
constexpr Spelling spelled_sfondo_due[] = {{{"sfondo","due"}}};
constexpr Spelling spelled_sfondo_tre[] = {{{"sfondo","tre"}}};
constexpr Spelling spelled_ripetizione[] = {{{"ripetizione","segnali"}}};
constexpr Spelling spelled_pendenza[] = {{{"pendenza",""}}};
constexpr Spelling spelled_curva[] = {{{"curvad",""}}, {{"curvas",""}}};
constexpr Spelling spelled_montagna[] = {{{"montagna",""}}};
constexpr Spelling spelled_indicatori[] = {{{"indicatori_vmax",""}}};
constexpr Spelling spelled_cartello[] = {{{"cartello","indicatore"}}};
constexpr Spelling spelled_frenata[] = {{{"massa","frenata"}}};
constexpr Spelling spelled_vetture[] = {{{"vetture",""}}};
constexpr Spelling spelled_velocita[] = {{{"velocita",""}}};
constexpr Spelling spelled_aderenza[] = {{{"aderenza",""}}};
constexpr Spelling spelled_orologio[] = {{{"orologio",""}}};
constexpr Spelling spelled_sabbia[] = {{{"sabbia",""}}};
constexpr Spelling spelled_segnale[] = {{{"segnale",""}}};
constexpr Spelling spelled_rallentamento[] = {{{"rallentamento",""}}};
constexpr Spelling spelled_abbattimento[] = {{{"abbattimento",""}}};
constexpr Spelling spelled_stazione[] = {{{"stazione",""}}};

constexpr auto L = Text::linea;
constexpr auto T = Text::treno;
using P = Placement;
using R = RecordId;
constexpr LetterCase exact = LetterCase::exact;
constexpr LetterCase ignored = LetterCase::ignored;
constexpr auto G = Section::general;
constexpr auto B = Section::body;
constexpr auto Tr = Section::train;

constexpr std::array<RecordInfo, record_count> table{{
    {R::lunghezza, "lunghezza percorso", "lunghezza percorso", "route length", "the length of the line; must come before the body",
     L, G, {{"percorso", "lunghezza"}, ignored}, P::none, 0, lunghezza, spelled_lunghezza},
    {R::progressiva_tre, "progressiva chilometrica tre", "progressiva", "kilometric progressive three",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"tre", "progressiva"}, exact}, P::none, 0, progressiva, spelled_progressiva_tre},
    {R::progressiva_due, "progressiva chilometrica due", "progressiva", "kilometric progressive two",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"due", "progressiva"}, exact}, P::none, 0, progressiva, spelled_progressiva_due},
    {R::progressiva_uno, "progressiva chilometrica uno", "progressiva", "kilometric progressive one",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"uno", "progressiva"}, exact}, P::none, 0, progressiva, spelled_progressiva_uno},
    {R::sfondo_uno, "sfondo uno", "sfondo", "background one", "a background value for the simulator", L, G,
     {{"sfondo", "uno"}, exact}, P::none, 0, sfondo_uno, spelled_sfondo_uno},
    {R::sfondo_due, "sfondo due", "sfondo", "background two", "a background value for the simulator", L, G,
     {{"sfondo", "due"}, exact}, P::none, 0, sfondo_due, spelled_sfondo_due},
    {R::sfondo_tre, "sfondo tre", "sfondo", "background three", "a background value for the simulator", L, G,
     {{"sfondo", "tre"}, exact}, P::none, 0, sfondo_tre, spelled_sfondo_tre},
    {R::ripetizione, "ripetizione segnali 4 codici", "ripetizione segnali", "signal repetition",
     "the stretch with signal repetition of 4 or 9 codes (the digit in the keyword)", L, G,
     {{"segnali", "ripetizione"}, exact}, P::none, 0, ripetizione, spelled_ripetizione},
    {R::pendenza, "pendenza", "pendenza", "gradient", "the gradient from this position on", L, B,
     {{"pendenza", ""}, ignored}, P::step, 100, pendenza, spelled_pendenza},
    {R::curva, "curvad3", "curva", "curve",
     "a curve: class digit 1 to 6 (radius 10000, 5000, 2500, 1000, 500, 333 m), left when the "
     "keyword holds an s, right otherwise; read only with the line plan",
     L, B, {{"curva", ""}, ignored}, P::curve, 100, curva, spelled_curva},
    {R::montagna, "montagna", "montagna", "mountain", "a mountain span (at most 80)", L, B,
     {{"montagna", ""}, ignored}, P::span, 100, montagna, spelled_montagna},
    {R::indicatori, "indicatori_vmax", "indicatori_vmax", "speed board", "a maximum-speed indicator board with an s and a d set",
     L, B, {{"indicatori_v", ""}, ignored}, P::point, 100, indicatori, spelled_indicatori},
    {R::cartello, "cartello indicatore", "cartello indicatore", "text board", "a board that shows a text (at most 80)", L, B,
     {{"cartello", "indicat"}, ignored}, P::point, 100, cartello, spelled_cartello},
    {R::frenata, "percentuale massa frenata", "massa frenata", "braked mass", "the braked-mass percentage", T, Tr,
     {{"frenata", "massa"}, ignored}, P::none, 0, frenata, spelled_frenata},
    {R::vetture, "numero vetture", "vetture", "cars", "the number of cars", T, Tr, {{"vetture", ""}, ignored},
     P::none, 0, vetture, spelled_vetture},
    {R::velocita, "velocita", "velocita", "speed-limit step", "the speed limit from this position on", T, Tr,
     {{"velocit", ""}, ignored}, P::step, 100, velocita, spelled_velocita},
    {R::aderenza, "aderenza", "aderenza", "adhesion step", "the adhesion from this position on", T, Tr,
     {{"aderenza", ""}, ignored}, P::step, 100, aderenza, spelled_aderenza},
    {R::orologio, "orologio", "orologio", "clock", "the clock at the start", T, Tr, {{"orologio", ""}, ignored},
     P::none, 0, orologio, spelled_orologio},
    {R::sabbia, "sabbia", "sabbia", "sand", "the sand", T, Tr, {{"sabbia", ""}, ignored}, P::none, 0, sabbia, spelled_sabbia},
    {R::segnale, "segnale", "segnale", "signal",
     "a signal: its codes go into its cell, approach marks 2, 4, 6, 8 cells before it", T, Tr,
     {{"segnale", ""}, ignored}, P::point, 100, segnale, spelled_segnale},
    {R::rallentamento, "rallentamento", "rallentamento", "slowdown", "a slowdown from x over l metres", T, Tr,
     {{"rallentamento", ""}, ignored}, P::slowdown, 100, rallentamento, spelled_rallentamento},
    {R::abbattimento, "abbattimento", "abbattimento", "abbattimento point", "an abbattimento point", T, Tr,
     {{"abbattimento", ""}, ignored}, P::abbattimento, 100, abbattimento, spelled_abbattimento},
    {R::stazione, "stazione", "stazione", "station", "a station: its stretch, stop cell and timetable time", T, Tr,
     {{"stazione", ""}, ignored}, P::station, 800, stazione, spelled_stazione},
}};

static_assert([] {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (static_cast<std::size_t>(table[i].id) != i) return false;
  return true;
}());

// A case-ignored test compares with lower-case words.
static_assert([] {
  for (const RecordInfo& r : table)
    for (std::string_view w : r.test.words)
      for (char c : w)
        if (c >= 'A' && c <= 'Z') return false;
  return true;
}());

// The writers' spellings follow the spelling rules above.
static_assert(table[static_cast<std::size_t>(R::curva)].keyword.starts_with(
    table[static_cast<std::size_t>(R::curva)].test.words[0]));
static_assert(table[static_cast<std::size_t>(R::ripetizione)].keyword.find(repetition_codes[0]) !=
              std::string_view::npos);

constexpr std::size_t first_body = static_cast<std::size_t>(R::pendenza);
constexpr std::size_t first_train = static_cast<std::size_t>(R::frenata);

bool has(std::string_view field, std::string_view word, LetterCase c) {
  if (word.empty()) return true;
  return c == LetterCase::exact ? contiene(field, word) : contiene_ci(field, word);
}

}  // namespace

std::span<const RecordInfo> records() { return table; }

std::span<const RecordInfo> records_in(Section s) {
  const std::span<const RecordInfo> all = table;
  switch (s) {
    case Section::general: return all.subspan(0, first_body);
    case Section::body: return all.subspan(first_body, first_train - first_body);
    case Section::train: return all.subspan(first_train);
  }
  return {};
}

const RecordInfo& record(RecordId id) { return table[static_cast<std::size_t>(id)]; }

bool matches(const RecordInfo& r, std::string_view field) {
  return has(field, r.test.words[0], r.test.letter_case) && has(field, r.test.words[1], r.test.letter_case);
}

bool closes_general(std::string_view field) {
  if (!contiene(field, "[") || !contiene(field, "]")) return false;
  const std::size_t first = field.find_first_not_of(' ');
  return first == std::string_view::npos || field[first] != '-';
}

std::uint32_t match_mask(Section s, std::string_view field) {
  // The field in lower case once, for the tests that ignore case.
  char small[128];
  std::string large;
  std::string_view lower;
  if (field.size() <= sizeof small) {
    for (std::size_t i = 0; i < field.size(); ++i) small[i] = ascii_lower(field[i]);
    lower = std::string_view(small, field.size());
  } else {
    large.assign(field);
    for (char& c : large) c = ascii_lower(c);
    lower = large;
  }
  std::uint32_t mask = 0;
  std::uint32_t bit = 1;
  for (const RecordInfo& r : records_in(s)) {
    const std::string_view in = r.test.letter_case == LetterCase::exact ? field : lower;
    if (in.find(r.test.words[0]) != std::string_view::npos &&
        (r.test.words[1].empty() || in.find(r.test.words[1]) != std::string_view::npos))
      mask |= bit;
    bit <<= 1;
  }
  return mask;
}

Section section_of(Text t, bool general) {
  if (t == Text::treno) return Section::train;
  return general ? Section::general : Section::body;
}

std::string curve_keyword(std::string_view side, std::string_view class_digit) {
  std::string out(table[static_cast<std::size_t>(R::curva)].test.words[0]);
  out += side;
  out += class_digit;
  return out;
}

std::string curve_keyword(bool left, int class_number) {
  const char side = left ? curve_left : curve_right;
  return curve_keyword(std::string_view(&side, 1),
                       curve_class_digits.substr(static_cast<std::size_t>(class_number - 1), 1));
}

std::string repetition_keyword(std::string_view codes) {
  const std::string_view k = table[static_cast<std::size_t>(R::ripetizione)].keyword;
  const std::size_t at = k.find(repetition_codes[0]);
  return std::string(k.substr(0, at)).append(codes).append(k.substr(at + 1));
}

const RecordInfo* written_keyword(std::string_view field) {
  for (const RecordInfo& r : table) {
    if (field.size() == r.keyword.size() && contiene_ci(field, r.keyword)) return &r;
    if (r.id == R::curva)
      for (std::string_view k : curve_keywords)
        if (field.size() == k.size() && contiene_ci(field, k)) return &r;
  }
  return nullptr;
}

}  // namespace scenario
