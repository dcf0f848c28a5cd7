#include "compiler/records.h"

#include <limits>

#include "compiler/text_match.h"

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
constexpr ValueInfo multiple(std::string_view name, std::string_view meaning, std::string_view becomes,
                             std::int32_t error) {
  return {name, meaning, becomes, S::whole, i32_min, i32_max, O::error, error};
}

// Line description, general section.
constexpr ValueInfo lunghezza[] = {
    {"L", "length of the line in metres, 1 to 1000000; sizes the track cells",
     "route entry 84 dato2; lunghezza_totale = L + 7000, ultima_cella = nearest(lunghezza_totale / 50)",
     S::whole, 1, 1000000, O::error, 1}};
constexpr ValueInfo progressiva_tre[] = {
    multiple("position", "where the reference holds, in metres along the line (a multiple of 50)",
             "route entry 81 dato1, then ordered by position", 2),
    multiple("progressive", "what the kilometre marks read there, in metres (a multiple of 50)",
             "route entry 81 dato2, then ordered by position", 2),
    whole("flag", "1 adds 100 m to the progressive", "route entry 81 dato3")};
constexpr ValueInfo progressiva_due[] = {
    multiple("position", "where the reference holds, in metres along the line (a multiple of 50)",
             "route entry 82 dato1, then ordered by position", 2),
    multiple("progressive", "what the kilometre marks read there, in metres (a multiple of 50)",
             "route entry 82 dato2, then ordered by position", 2),
    whole("flag", "1 adds 100 m to the progressive", "route entry 82 dato3")};
constexpr ValueInfo progressiva_uno[] = {
    multiple("position", "where the reference holds, in metres along the line (a multiple of 50)",
             "route entry 83 dato1, then ordered by position", 2),
    multiple("progressive", "what the kilometre marks read there, in metres (a multiple of 50)",
             "route entry 83 dato2, then ordered by position", 2),
    whole("flag", "1 adds 100 m to the progressive", "route entry 83 dato3")};
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
    whole("inizio", "where the span begins, in metres",
          "montagne_inizio; cells from nearest(inizio / 50)"),
    whole("fine", "where it ends, in metres", "montagne_fine; cells up to nearest(fine / 50 - 1)"),
    low("tipo", "stored for the simulator; above 10: tipo - 10 with a marker every fourth cell",
        "codice_montagna of the span's cells (low 8 bits); tipo_cella 11 on the markers")};
constexpr ValueInfo indicatori[] = {
    whole("posizione", "where the board stands, in metres",
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
    whole("posizione", "where the board stands, in metres",
          "tipo_cella 14 in cell nearest(posizione / 50 + 1); valore_a = its route entry"),
    {"testo", "what the board shows", "testo of route entries 80, 79, ... in order of appearance",
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
    whole("posizione", "where the signal stands, in metres",
          "tipo_cella 1 in cell nearest(posizione / 50 + 1)"),
    whole("sx", "an sx of 2 keeps the tempo",
          "valore_d = rapp x 10 + sx x 3 + dx; preavviso = (sx x 3 + dx) x 10 + k"),
    whole("s1", "first code of the s side", "valore_a = s1 x 10 + d1"),
    whole("s2", "second code of the s side", "valore_b = s2 x 10 + d2"),
    whole("s3", "third code of the s side", "valore_c = s3 x 10 + d3"),
    whole("rapp", "", "valore_d = rapp x 10 + sx x 3 + dx"),
    whole("dx", "", "valore_d = rapp x 10 + sx x 3 + dx; preavviso = (sx x 3 + dx) x 10 + k"),
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
    multiple("length", "in metres, a multiple of 100", "shapes the stretch dato1 .. dato2; not kept", 9),
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
    {R::lunghezza, "lunghezza percorso", "route length", "the length of the line; must come before the body",
     L, G, {{"percorso", "lunghezza"}, ignored}, P::none, 0, lunghezza},
    {R::progressiva_tre, "progressiva chilometrica tre", "kilometric progressive three",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"tre", "progressiva"}, exact}, P::none, 0, progressiva_tre},
    {R::progressiva_due, "progressiva chilometrica due", "kilometric progressive two",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"due", "progressiva"}, exact}, P::none, 0, progressiva_due},
    {R::progressiva_uno, "progressiva chilometrica uno", "kilometric progressive one",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, G,
     {{"uno", "progressiva"}, exact}, P::none, 0, progressiva_uno},
    {R::sfondo_uno, "sfondo uno", "background one", "a background value for the simulator", L, G,
     {{"sfondo", "uno"}, exact}, P::none, 0, sfondo_uno},
    {R::sfondo_due, "sfondo due", "background two", "a background value for the simulator", L, G,
     {{"sfondo", "due"}, exact}, P::none, 0, sfondo_due},
    {R::sfondo_tre, "sfondo tre", "background three", "a background value for the simulator", L, G,
     {{"sfondo", "tre"}, exact}, P::none, 0, sfondo_tre},
    {R::ripetizione, "ripetizione segnali 4 codici", "signal repetition",
     "the stretch with signal repetition of 4 or 9 codes (the digit in the keyword)", L, G,
     {{"segnali", "ripetizione"}, exact}, P::none, 0, ripetizione},
    {R::pendenza, "pendenza", "gradient", "the gradient from this position on", L, B,
     {{"pendenza", ""}, ignored}, P::step, 100, pendenza},
    {R::curva, "curvad3", "curve",
     "a curve: class digit 1 to 6 (radius 10000, 5000, 2500, 1000, 500, 333 m), left when the "
     "keyword holds an s, right otherwise; read only with the line plan",
     L, B, {{"curva", ""}, ignored}, P::curve, 100, curva},
    {R::montagna, "montagna", "mountain", "a mountain span (at most 80)", L, B,
     {{"montagna", ""}, ignored}, P::span, 100, montagna},
    {R::indicatori, "indicatori_vmax", "speed board", "a maximum-speed indicator board with an s and a d set",
     L, B, {{"indicatori_v", ""}, ignored}, P::point, 100, indicatori},
    {R::cartello, "cartello indicatore", "text board", "a board that shows a text (at most 80)", L, B,
     {{"cartello", "indicat"}, ignored}, P::point, 100, cartello},
    {R::frenata, "percentuale massa frenata", "braked mass", "the braked-mass percentage", T, Tr,
     {{"frenata", "massa"}, ignored}, P::none, 0, frenata},
    {R::vetture, "numero vetture", "cars", "the number of cars", T, Tr, {{"vetture", ""}, ignored},
     P::none, 0, vetture},
    {R::velocita, "velocita", "speed-limit step", "the speed limit from this position on", T, Tr,
     {{"velocit", ""}, ignored}, P::step, 100, velocita},
    {R::aderenza, "aderenza", "adhesion step", "the adhesion from this position on", T, Tr,
     {{"aderenza", ""}, ignored}, P::step, 100, aderenza},
    {R::orologio, "orologio", "clock", "the clock at the start", T, Tr, {{"orologio", ""}, ignored},
     P::none, 0, orologio},
    {R::sabbia, "sabbia", "sand", "the sand", T, Tr, {{"sabbia", ""}, ignored}, P::none, 0, sabbia},
    {R::segnale, "segnale", "signal",
     "a signal: its codes go into its cell, approach marks 2, 4, 6, 8 cells before it", T, Tr,
     {{"segnale", ""}, ignored}, P::point, 100, segnale},
    {R::rallentamento, "rallentamento", "slowdown", "a slowdown from x over l metres", T, Tr,
     {{"rallentamento", ""}, ignored}, P::slowdown, 100, rallentamento},
    {R::abbattimento, "abbattimento", "abbattimento point", "an abbattimento point", T, Tr,
     {{"abbattimento", ""}, ignored}, P::abbattimento, 100, abbattimento},
    {R::stazione, "stazione", "station", "a station: its stretch, stop cell and timetable time", T, Tr,
     {{"stazione", ""}, ignored}, P::station, 800, stazione},
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

Section section_of(Text t, bool general) {
  if (t == Text::treno) return Section::train;
  return general ? Section::general : Section::body;
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
