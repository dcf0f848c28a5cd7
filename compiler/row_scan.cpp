#include "compiler/row_scan.h"

namespace scenario {
namespace {

// Rows of the records no check looks at are kept only with an empty
// number field, so that a text of a million header rows keeps nothing.
bool kept(const RecordInfo& rec, std::span<const Field> values) {
  if (rec.placement != Placement::none || rec.id == RecordId::orologio) return true;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!rec.values[i].is_text() && values[i].length == 0) return true;
  return false;
}

void take(RowScan& out, const RowList& l) {
  const std::size_t read = l.rows_read();
  std::size_t lone = 0;
  for (std::size_t i = 0; i < read;) {
    // One keyword field: the rows of every record it was read as.
    std::size_t last_kept = TextSpan::npos;
    std::size_t j = i;
    do {
      const Row& row = l.rows[j];
      if (row.record) {
        const std::span<const Field> values = l.values_of(row);
        out.given[static_cast<std::size_t>(row.record->id)] = true;
        if (kept(*row.record, values)) {
          ScannedRow s{row.record, l.text, {row.keyword.offset, row.keyword.length}, out.values.size()};
          for (const Field& f : values) out.values.push_back({f.read, {f.offset, f.length}});
          last_kept = out.rows.size();
          out.rows.push_back(s);
        }
      }
      ++j;
    } while (j < read && l.rows[j].continues);
    // A lone number right after the field's rows belongs to the last one kept.
    while (lone < l.lone_numbers.size() && l.lone_numbers[lone].after_row < j - 1) ++lone;
    if (lone < l.lone_numbers.size() && l.lone_numbers[lone].after_row == j - 1 &&
        last_kept != TextSpan::npos) {
      const Field& f = l.lone_numbers[lone].field;
      out.rows[last_kept].lone_number_after = f.offset;
      out.rows[last_kept].lone_number_length = f.length;
    }
    i = j;
  }
}

}  // namespace

std::string_view RowScan::text_value(const ScannedRow& r, std::size_t i) const {
  const FieldSpan& s = values[r.first + i].span;
  std::string_view v = source(r.text).substr(s.offset, s.length);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

RowScan scan_rows(const RowList& linea, const RowList& treno) {
  RowScan out;
  out.linea = linea.source;
  out.treno = treno.source;
  take(out, linea);
  take(out, treno);
  if (treno.generale_read) out.treno_generale = treno.generale->offset;
  return out;
}

}  // namespace scenario
