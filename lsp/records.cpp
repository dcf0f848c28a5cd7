#include "lsp/records.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "compiler/text_match.h"

namespace lsp {
namespace {

using scenario::contiene;
using scenario::contiene_ci;

constexpr FieldInfo lunghezza[] = {
    {"L", "length of the line in metres, 0 to 1000000; sizes the track cells"}};
constexpr FieldInfo progressiva[] = {
    {"position", "where the reference holds, in metres along the line (a multiple of 50)"},
    {"progressive", "what the kilometre marks read there, in metres (a multiple of 50)"},
    {"flag", "1 adds 100 m to the progressive"}};
constexpr FieldInfo sfondo[] = {{"value", "passed to the simulator unchanged"}};
constexpr FieldInfo ripetizione[] = {
    {"start", "where signal repetition begins, in metres (a multiple of 50)"},
    {"end", "where it ends, in metres (a multiple of 50); 0 means no repetition"}};
constexpr FieldInfo pendenza[] = {
    {"position", "from here on, up to the next gradient row, the line has this gradient (metres)"},
    {"gradient", "stored as gradient + 100 in one byte: -100 to 155"}};
constexpr FieldInfo curva[] = {{"start", "where the curve begins, in metres"},
                               {"length", "how long it is, in metres"}};
constexpr FieldInfo montagna[] = {
    {"start", "where the span begins, in metres"},
    {"end", "where it ends, in metres"},
    {"type", "stored for the simulator; above 10: type - 10 with a marker every fourth cell"}};
constexpr FieldInfo indicatori[] = {
    {"position", "where the board stands, in metres"},
    {"vas", "speed a of the s set; valore_a = round(vad / 5 + vas x 20)"},
    {"vbs", "speed b of the s set; valore_b = round(vbd / 5 + vbs x 20)"},
    {"vcs", "speed c of the s set; valore_c = round(vcd / 5 + vcs x 20)"},
    {"strisces", "stripe count of the s set; valore_d = strisces x 10 + strisced"},
    {"vad", "speed a of the d set (empty reads 0)"},
    {"vbd", "speed b of the d set (empty reads 0)"},
    {"vcd", "speed c of the d set (empty reads 0)"},
    {"strisced", "stripe count of the d set"}};
constexpr FieldInfo cartello[] = {{"position", "where the board stands, in metres"},
                                  {"text", "what the board shows", true}};

constexpr FieldInfo frenata[] = {{"percentage", "braked-mass percentage"}};
constexpr FieldInfo vetture[] = {{"cars", "number of cars"}};
constexpr FieldInfo velocita[] = {
    {"position", "from cell round(position / 50) on, up to the next speed step (metres)"},
    {"speed", "km/h, kept in steps of 5 (up to 1277)"}};
constexpr FieldInfo aderenza[] = {
    {"position", "from cell round(position / 50) on, up to the next adhesion step (metres)"},
    {"adhesion", "kept in its low 8 bits"}};
constexpr FieldInfo orologio[] = {{"hours", "clock at the start (16-bit)"},
                                  {"minutes", "clock at the start (16-bit)"},
                                  {"seconds", "clock at the start (16-bit)"}};
constexpr FieldInfo sabbia[] = {{"sand", "sand (16-bit)"}};
constexpr FieldInfo segnale[] = {
    {"position", "where the signal stands, in metres; its cell is round(position / 50 + 1)"},
    {"sx", "valore_d = rapp x 10 + sx x 3 + dx; an sx of 2 keeps the tempo"},
    {"s1", "valore_a = s1 x 10 + d1"},
    {"s2", "valore_b = s2 x 10 + d2"},
    {"s3", "valore_c = s3 x 10 + d3"},
    {"rapp", "valore_d = rapp x 10 + sx x 3 + dx"},
    {"dx", "valore_d = rapp x 10 + sx x 3 + dx"},
    {"d1", "valore_a = s1 x 10 + d1"},
    {"d2", "valore_b = s2 x 10 + d2"},
    {"d3", "valore_c = s3 x 10 + d3"},
    {"tempo", "kept when sx is 2 (1 to 100 become 101)"}};
constexpr FieldInfo rallentamento[] = {
    {"x", "where the slowdown starts, in metres; a warning board stands 1200 m before it"},
    {"v", "the value of its start, end and warning cells; below 110 adds points inside"},
    {"l", "its length, in metres"},
    {"f_tt", "into its start and end cells"},
    {"f_ta", "not 0: four approach marks before the warning board"},
    {"d_v", "not 0: into every one of its cells"}};
constexpr FieldInfo abbattimento[] = {
    {"position", "in metres; the point's cell is round(position / 50)"},
    {"value", "above 0: a point with this value; else a point without one"}};
constexpr FieldInfo stazione[] = {
    {"position", "in metres, a multiple of 50"},
    {"type", "0 to 255: 5, 6 end at position + 150; 7, 8 span position +- length; "
             "others are centred; 25 and above mark no cell"},
    {"length", "in metres, a multiple of 100"},
    {"byte1", "stored for the simulator (0 to 255)"},
    {"byte5", "stored (0 to 255); cleared below 600 m and for the first station"},
    {"byte4", "extension flag: adds 50 m to a centred station"},
    {"intero1", "stored for the simulator (16-bit)"},
    {"intero2", "stored for the simulator (16-bit)"},
    {"byte2", "stored for the simulator (0 to 255)"},
    {"intero3", "stored for the simulator (16-bit)"},
    {"intero4", "stored for the simulator (16-bit)"},
    {"intero5", "stored for the simulator (16-bit)"},
    {"byte3", "stored for the simulator (0 to 255)"},
    {"hours", "timetable time"},
    {"minutes", "timetable time"},
    {"seconds", "timetable time"},
    {"NAME", "the station's name; quote it to hold a comma", true}};

constexpr auto L = Text::linea;
constexpr auto T = Text::treno;
using P = Placement;

// Indices into `table`, in the order of RecordId.
enum : std::size_t {
  r_lunghezza, r_tre, r_due, r_uno, r_sfondo_uno, r_sfondo_due, r_sfondo_tre, r_ripetizione,
  r_pendenza, r_curva, r_montagna, r_indicatori, r_cartello,
  r_frenata, r_vetture, r_velocita, r_aderenza, r_orologio, r_sabbia, r_segnale,
  r_rallentamento, r_abbattimento, r_stazione, record_count
};
using R = RecordId;

constexpr std::array<RecordInfo, record_count> table{{
    {R::lunghezza, "lunghezza percorso", "route length", "the length of the line; must come before the body",
     L, true, P::none, lunghezza},
    {R::progressiva_tre, "progressiva chilometrica tre", "kilometric progressive three",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, true, P::none,
     progressiva},
    {R::progressiva_due, "progressiva chilometrica due", "kilometric progressive two",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, true, P::none,
     progressiva},
    {R::progressiva_uno, "progressiva chilometrica uno", "kilometric progressive one",
     "a kilometric reference; write all three, 0, 0, 0 for one not in use", L, true, P::none,
     progressiva},
    {R::sfondo_uno, "sfondo uno", "background one", "a background value for the simulator", L, true, P::none,
     sfondo},
    {R::sfondo_due, "sfondo due", "background two", "a background value for the simulator", L, true, P::none,
     sfondo},
    {R::sfondo_tre, "sfondo tre", "background three", "a background value for the simulator", L, true, P::none,
     sfondo},
    {R::ripetizione, "ripetizione segnali 4 codici", "signal repetition",
     "the stretch with signal repetition of 4 or 9 codes (the digit in the keyword)", L, true,
     P::none, ripetizione},
    {R::pendenza, "pendenza", "gradient", "the gradient from this position on", L, false, P::step, pendenza},
    {R::curva, "curvad3", "curve",
     "a curve: class digit 1 to 6 (radius 10000, 5000, 2500, 1000, 500, 333 m), left when the "
     "keyword holds an s, right otherwise",
     L, false, P::curve, curva},
    {R::montagna, "montagna", "mountain", "a mountain span (at most 80)", L, false, P::span, montagna},
    {R::indicatori, "indicatori_vmax", "speed board", "a maximum-speed indicator board with an s and a d set", L,
     false, P::point, indicatori},
    {R::cartello, "cartello indicatore", "text board", "a board that shows a text (at most 80)", L, false,
     P::point, cartello},
    {R::frenata, "percentuale massa frenata", "braked mass", "the braked-mass percentage", T, false, P::none,
     frenata},
    {R::vetture, "numero vetture", "cars", "the number of cars", T, false, P::none, vetture},
    {R::velocita, "velocita", "speed-limit step", "the speed limit from this position on", T, false, P::step,
     velocita},
    {R::aderenza, "aderenza", "adhesion step", "the adhesion from this position on", T, false, P::step,
     aderenza},
    {R::orologio, "orologio", "clock", "the clock at the start", T, false, P::none, orologio},
    {R::sabbia, "sabbia", "sand", "the sand", T, false, P::none, sabbia},
    {R::segnale, "segnale", "signal", "a signal: its codes go into its cell, approach marks 2, 4, 6, 8 cells "
     "before it", T, false, P::point, segnale},
    {R::rallentamento, "rallentamento", "slowdown", "a slowdown from x over l metres", T, false, P::slowdown,
     rallentamento},
    {R::abbattimento, "abbattimento", "abbattimento point", "an abbattimento point", T, false, P::abbattimento,
     abbattimento},
    {R::stazione, "stazione", "station", "a station: its stretch, stop cell and timetable time", T, false,
     P::station, stazione},
}};

// The readers' field rules (text/field_reader.h), without failing: a number
// that does not read as one is a field without a number.
class Fields {
 public:
  explicit Fields(std::string_view t) : t_(t) {}
  bool eof() const { return pos_ >= t_.size(); }

  std::optional<Field> text() {
    if (eof()) return std::nullopt;
    skip_blanks();
    Field f;
    f.offset = pos_;
    if (pos_ < t_.size() && t_[pos_] == '"') {
      const std::size_t open = ++pos_;
      std::size_t close = t_.find('"', open);
      if (close == std::string_view::npos) close = t_.size();
      f.text = t_.substr(open, close - open);
      pos_ = close < t_.size() ? close + 1 : close;
      f.length = pos_ - f.offset;
      while (pos_ < t_.size() && t_[pos_] != ',' && !line_end(t_[pos_])) ++pos_;
      separator();
      return f;
    }
    while (pos_ < t_.size() && t_[pos_] != ',' && !line_end(t_[pos_])) ++pos_;
    std::size_t end = pos_;
    while (end > f.offset && blank(t_[end - 1])) --end;
    f.length = end - f.offset;
    f.text = t_.substr(f.offset, f.length);
    separator();
    return f;
  }

  std::optional<Field> number() {
    if (eof()) return std::nullopt;
    skip_blanks();
    Field f;
    f.offset = pos_;
    while (pos_ < t_.size() && t_[pos_] != ',' && !blank(t_[pos_]) && !line_end(t_[pos_])) ++pos_;
    f.length = pos_ - f.offset;
    f.text = t_.substr(f.offset, f.length);
    f.number = whole_number(f.text);
    skip_blanks();
    if (pos_ < t_.size() && t_[pos_] == ',') ++pos_; else line_end_consumed();
    return f;
  }

 private:
  static bool blank(char c) { return c == ' ' || c == '\t'; }
  static bool line_end(char c) { return c == '\r' || c == '\n'; }
  void skip_blanks() {
    while (pos_ < t_.size() && blank(t_[pos_])) ++pos_;
  }
  void line_end_consumed() {
    if (pos_ < t_.size() && t_[pos_] == '\r') ++pos_;
    if (pos_ < t_.size() && t_[pos_] == '\n') ++pos_;
  }
  void separator() {
    if (pos_ < t_.size() && t_[pos_] == ',') ++pos_; else line_end_consumed();
  }
  static std::optional<std::int32_t> whole_number(std::string_view s) {
    if (s.empty()) return 0;
    std::size_t i = s[0] == '+' || s[0] == '-' ? 1 : 0;
    if (i == s.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
      if (s[i] < '0' || s[i] > '9') return std::nullopt;
      v = v * 10 + (s[i] - '0');
      if (v > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (s[0] == '-') v = -v;
    if (v > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(v);
  }

  std::string_view t_;
  std::size_t pos_ = 0;
};

// The records a keyword field runs, in the readers' order.
std::vector<std::size_t> general_records(std::string_view c) {
  std::vector<std::size_t> r;
  if (contiene_ci(c, "percorso") && contiene_ci(c, "lunghezza")) r.push_back(r_lunghezza);
  if (contiene(c, "tre") && contiene(c, "progressiva")) r.push_back(r_tre);
  if (contiene(c, "due") && contiene(c, "progressiva")) r.push_back(r_due);
  if (contiene(c, "uno") && contiene(c, "progressiva")) r.push_back(r_uno);
  if (contiene(c, "sfondo") && contiene(c, "uno")) r.push_back(r_sfondo_uno);
  if (contiene(c, "sfondo") && contiene(c, "due")) r.push_back(r_sfondo_due);
  if (contiene(c, "sfondo") && contiene(c, "tre")) r.push_back(r_sfondo_tre);
  if (contiene(c, "segnali") && contiene(c, "ripetizione")) r.push_back(r_ripetizione);
  return r;
}

std::vector<std::size_t> body_records(std::string_view c) {
  std::vector<std::size_t> r;
  if (contiene_ci(c, "pendenza")) r.push_back(r_pendenza);
  if (contiene_ci(c, "curva")) r.push_back(r_curva);
  if (contiene_ci(c, "montagna")) r.push_back(r_montagna);
  if (contiene_ci(c, "indicatori_v")) r.push_back(r_indicatori);
  if (contiene_ci(c, "cartello") && contiene_ci(c, "indicat")) r.push_back(r_cartello);
  return r;
}

std::vector<std::size_t> train_records(std::string_view c) {
  std::vector<std::size_t> r;
  if (contiene_ci(c, "frenata") && contiene_ci(c, "massa")) r.push_back(r_frenata);
  if (contiene_ci(c, "vetture")) r.push_back(r_vetture);
  if (contiene_ci(c, "velocit")) r.push_back(r_velocita);
  if (contiene_ci(c, "aderenza")) r.push_back(r_aderenza);
  if (contiene_ci(c, "orologio")) r.push_back(r_orologio);
  if (contiene_ci(c, "sabbia")) r.push_back(r_sabbia);
  if (contiene_ci(c, "segnale")) r.push_back(r_segnale);
  if (contiene_ci(c, "rallentamento")) r.push_back(r_rallentamento);
  if (contiene_ci(c, "abbattimento")) r.push_back(r_abbattimento);
  if (contiene_ci(c, "stazione")) r.push_back(r_stazione);
  return r;
}

bool is_header(const Field& f) {
  return !f.text.empty() && f.text.front() == '[' && contiene(f.text, "]");
}

class Scan {
 public:
  Scan(std::string_view text, Outline& o) : f_(text), o_(o) {}

  // The keyword field of the next record: comments (fields with a hyphen)
  // skipped up to `comments` times; nothing at the end of the text, and
  // nothing for the text's last field, which the readers never act on. The
  // general section's reader alone acts on a last field it reached by
  // skipping a comment.
  std::optional<Field> keyword(int comments, bool general) {
    if (f_.eof()) return std::nullopt;
    std::optional<Field> k = f_.text();
    if (!k) return std::nullopt;
    if (f_.eof()) return last(*k);
    for (int i = 0; i < comments && contiene(k->text, "-"); ++i) {
      k = f_.text();
      if (!k) return std::nullopt;
      if (!general && f_.eof()) return last(*k);
    }
    if (is_header(*k)) o_.headers.push_back(*k);
    return k;
  }

  // Reads the rows of a keyword; false when the text ended inside one.
  bool rows(const Field& k, const std::vector<std::size_t>& which) {
    for (std::size_t r : which) {
      Row row;
      row.record = &table[r];
      row.keyword = k;
      row.end = k.offset + k.length;
      for (const FieldInfo& fi : row.record->fields) {
        std::optional<Field> v = fi.text ? f_.text() : f_.number();
        if (!v) break;
        row.end = v->offset + v->length;
        row.values.push_back(*v);
      }
      const bool complete = row.values.size() == row.record->fields.size();
      o_.rows.push_back(std::move(row));
      if (!complete) return false;
    }
    return true;
  }

  Fields& fields() { return f_; }

 private:
  // The text's last field does nothing, but a closing "[fine]" still shows
  // in the outline.
  std::optional<Field> last(const Field& k) {
    if (is_header(k) && !contiene(k.text, "-")) o_.headers.push_back(k);
    return std::nullopt;
  }

  Fields f_;
  Outline& o_;
};

void scan_line(std::string_view text, Outline& o) {
  Scan s(text, o);
  o.body_start = text.size();
  // Up to [generale]: that field must not be the last one either.
  for (;;) {
    if (s.fields().eof()) return;
    const std::optional<Field> f = s.fields().text();
    if (!f || s.fields().eof()) return;
    if (contiene_ci(f->text, "[generale]")) {
      o.headers.push_back(*f);
      break;
    }
  }
  for (;;) {
    const std::optional<Field> k = s.keyword(10, true);
    if (!k) return;
    if (!s.rows(*k, general_records(k->text))) return;
    if (contiene(k->text, "[") && contiene(k->text, "]") && k->text.front() != '-') {
      o.body_start = k->offset + k->length;
      break;
    }
  }
  for (;;) {
    const std::optional<Field> k = s.keyword(2, false);
    if (!k || !s.rows(*k, body_records(k->text))) return;
  }
}

void scan_train(std::string_view text, Outline& o) {
  Scan s(text, o);
  for (;;) {
    if (s.fields().eof()) return;
    const std::optional<Field> f = s.fields().text();
    if (!f) return;
    if (contiene_ci(f->text, "[generale]")) {
      o.headers.push_back(*f);
      break;
    }
  }
  for (;;) {
    const std::optional<Field> k = s.keyword(2, false);
    if (!k || !s.rows(*k, train_records(k->text))) return;
  }
}

}  // namespace

static_assert([] {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (static_cast<std::size_t>(table[i].id) != i) return false;
  return true;
}());

std::span<const RecordInfo> records() { return table; }

Outline outline(std::string_view text, Text which) {
  Outline o;
  if (which == Text::linea) scan_line(text, o);
  else scan_train(text, o);
  return o;
}

const Row* row_at(const Outline& o, std::size_t offset) {
  auto after = std::upper_bound(o.rows.begin(), o.rows.end(), offset,
                                [](std::size_t x, const Row& r) { return x < r.keyword.offset; });
  if (after == o.rows.begin()) return nullptr;
  // Several records on one keyword read their values one after another.
  const std::size_t keyword = (after - 1)->keyword.offset;
  auto first = after - 1;
  while (first != o.rows.begin() && (first - 1)->keyword.offset == keyword) --first;
  for (auto r = first; r != after; ++r)
    if (offset <= r->end) return &*r;
  return nullptr;
}

int field_at(const Row& row, std::size_t offset) {
  for (std::size_t i = row.values.size(); i-- > 0;)
    if (offset >= row.values[i].offset) return static_cast<int>(i);
  return -1;
}

}  // namespace lsp
