// scenarioc dump of the two tables: the route file entry by entry, the cell
// file cell by cell, each field under the model's own name.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/compiled_files_reader.h"
#include "format/record_layouts.h"
#include "model/cell_kinds.h"
#include "model/format_constants.h"
#include "model/version.h"
#include "tool/dump.h"
#include "tool/json.h"

namespace scenarioc {

using namespace scenario;

namespace {

bool numbers_all_zero(const voce_percorso& v) {
  for (const RouteField& f : route_entry_layout)
    if (f.kind == RouteField::Kind::number && f.get(v) != 0) return false;
  return true;
}

bool is_empty(const voce_percorso& v) { return v.testo.empty() && numbers_all_zero(v); }

// Stations grow from entry 1 and text boards from entry 80 into the same
// range; a board sets nothing but the text.
std::string_view role(std::size_t i, const voce_percorso& v) {
  if (i == 0) return "unused";
  if (i <= static_cast<std::size_t>(voce::primo_cartello))
    return e_stazione(v) ? "station" : "text board";
  if (i <= static_cast<std::size_t>(voce::progressiva_uno)) return "kilometric progressive";
  if (i == voce::treno) return "train and route";
  if (i == voce::scenario) return "scenario header";
  return "train header";
}

// Printable ASCII as is, every other byte as \xNN, inside double quotes.
std::string quoted(std::string_view s) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out + "\"";
}

// Each field in file order under its own name; the text's length is
// shown by the text itself.
void append_values(std::string& out, const voce_percorso& v) {
  for (const RouteField& f : route_entry_layout) {
    if (f.kind == RouteField::Kind::number)
      out += " " + std::string(f.layout.name) + "=" + std::to_string(f.get(v));
    else if (f.kind == RouteField::Kind::text)
      out += " " + std::string(f.layout.name) + "=" + quoted(v.testo);
  }
}
void json_values(Json& j, const voce_percorso& v) {
  for (const RouteField& f : route_entry_layout) {
    if (f.kind == RouteField::Kind::number) j.key(f.layout.name).integer(f.get(v));
    else if (f.kind == RouteField::Kind::text) j.key(f.layout.name).text(v.testo);
  }
}
template <typename Fields>
void append_values(std::string& out, const cella& c, const Fields& fields) {
  for (const CellField& f : fields) out += " " + std::string(f.layout.name) + "=" + std::to_string(f.get(c));
}
void json_values(Json& j, const cella& c) {
  for (const CellField& f : cell_layout) j.key(f.layout.name).integer(f.get(c));
}

std::string cell_metres(std::size_t c) {
  return "(" + std::to_string((static_cast<std::int64_t>(c) - 1) * 50) + " to " +
         std::to_string(c * 50) + " m)";
}

}  // namespace

std::string route_text(const std::string& name, std::size_t size, const RouteTable& t) {
  const voce_percorso& s = t[voce::scenario];
  std::string out = "route file " + name + ": " + std::to_string(size) + " bytes, " +
                    std::to_string(t.size()) + " entries\n";
  out += "scenario " + quoted(s.testo) + ", train " +
         quoted(t[voce::ripetizione].testo) + ", format mark " +
         std::to_string(s.intero1) + ", route competition code " + std::to_string(s.dato4) +
         " (entry 85 intero1 and dato4)\n";
  for (std::size_t i = 0; i < t.size();) {
    if (is_empty(t[i])) {
      std::size_t end = i;
      while (end + 1 < t.size() && is_empty(t[end + 1])) ++end;
      out += end == i ? "entry " + std::to_string(i) + ": empty\n"
                       : "entries " + std::to_string(i) + " to " + std::to_string(end) + ": empty\n";
      i = end + 1;
      continue;
    }
    const voce_percorso& v = t[i];
    out += "entry " + std::to_string(i) + " (" + std::string(role(i, v)) + "):";
    append_values(out, v);
    out += "\n";
    ++i;
  }
  return out;
}

std::string route_json(const std::string& name, std::size_t size, const RouteTable& t) {
  Json j;
  j.begin_object();
  j.key("file").as_typed(name);
  j.key("file_type").text("route");
  j.key("size").integer(static_cast<std::int64_t>(size));
  j.key("scenario").text(t[voce::scenario].testo);
  j.key("train").text(t[voce::ripetizione].testo);
  j.key("format_mark").integer(t[voce::scenario].intero1);
  j.key("competition_code").integer(t[voce::scenario].dato4);
  j.key("entries").begin_list();
  for (std::size_t i = 0; i < t.size(); ++i) {
    const voce_percorso& v = t[i];
    j.begin_object();
    j.key("entry").integer(static_cast<std::int64_t>(i));
    j.key("role").text(is_empty(v) ? "empty" : role(i, v));
    json_values(j, v);
    j.end_object();
  }
  j.end_list();
  j.key("version").text(scenario::version);
  j.end_object();
  return j.result();
}

std::string cells_text(const std::string& name, std::size_t size,
                        const std::vector<cella>& celle) {
  std::string out = "cell file " + name + ": " + std::to_string(size) + " bytes, " +
                    std::to_string(celle.size()) + " cells (0 to " +
                    std::to_string(celle.size() - 1) + ")\n";
  out += "format mark " + std::to_string(celle[1].valore_a) + ", cell competition code " +
         std::to_string(celle[1].valore_b) + " (cell 1 valore_a and valore_b)\n";
  for (std::size_t i = 0; i < celle.size(); ++i) {
    const cella& c = celle[i];
    if (c.tipo_cella == tipo::vuota) continue;
    out += "cell " + std::to_string(i) + " " + cell_metres(i) + " kind " +
           std::to_string(c.tipo_cella) + " " + std::string(cell_kind_name(c.tipo_cella)) + ":";
    // The kind is named before the values.
    append_values(out, c, std::span(cell_layout).subspan(1));
    out += "\n";
  }
  return out;
}

std::string cells_json(const std::string& name, std::size_t size,
                       const std::vector<cella>& celle) {
  Json j;
  j.begin_object();
  j.key("file").as_typed(name);
  j.key("file_type").text("cells");
  j.key("size").integer(static_cast<std::int64_t>(size));
  j.key("format_mark").integer(celle[1].valore_a);
  j.key("competition_code").integer(celle[1].valore_b);
  j.key("cells").begin_list();
  for (std::size_t i = 0; i < celle.size(); ++i) {
    j.begin_object();
    j.key("cell").integer(static_cast<std::int64_t>(i));
    j.key("kind").text(cell_kind_name(celle[i].tipo_cella));
    json_values(j, celle[i]);
    j.end_object();
  }
  j.end_list();
  j.key("version").text(scenario::version);
  j.end_object();
  return j.result();
}


}  // namespace scenarioc
