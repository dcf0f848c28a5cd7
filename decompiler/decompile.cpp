#include "decompiler/decompile.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <span>

#include "compiler/compile.h"
#include "decompiler/recover.h"
#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "format/record_layouts.h"
#include "model/errors.h"

namespace scenario {
namespace {

// The recovered texts compiled as `scenarioc compile` compiles them.
struct Recompiled {
  Modello m;
  std::optional<std::string> not_compiled;
};

void recompile(const std::string& linea, const std::string& treno, const FileNames& names,
               bool plan, Recompiled& r) {
  TextInMemory l(linea, names.linea_txt());
  TextInMemory t(treno, names.treno_txt());
  CompileResult c = compile({l, t}, {.names = names, .read_curves = plan});
  r.m = std::move(c.model);
  if (c.status.ending == CompileStatus::Ending::fatal)
    r.not_compiled = "the recovered texts end in the fatal error " + std::to_string(c.status.error);
  else if (!c.status.has_files())
    r.not_compiled = "the recovered texts give no track cells: " + c.status.message;
}

bool is_point(const cella& c) {
  return c.tipo_cella == tipo::abbattimento_con_valore || c.tipo_cella == tipo::abbattimento;
}

Abbattimento row_of(std::size_t i, const cella& c) {
  std::int32_t value = 0;
  // A positive value whose low 16 bits are the cell's.
  if (c.tipo_cella == tipo::abbattimento_con_valore)
    value = c.valore_a > 0 ? c.valore_a : std::int32_t{c.valore_a} + 65536;
  return {static_cast<std::int32_t>(i) * 50, value};
}

// Which "abbattimento" points were rows: the post-processing places points
// of value 180 too. A point of another value, or without one, is a row. Of
// the others, each is a row only when compiling without it leaves its cell
// different: tried from the first cell on, since a point moves only the
// marks at and after it.
std::vector<Abbattimento> written_points(const CompiledModel& c, const FileNames& names) {
  std::vector<Abbattimento> points;
  std::vector<bool> written(c.cells.size(), false);
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    const cella& x = c.cells[i];
    if (is_point(x) && !(x.tipo_cella == tipo::abbattimento_con_valore && x.valore_a == 180)) {
      points.push_back(row_of(i, x));
      written[i] = true;
    }
  }
  const std::string linea = recover_line(CompiledModel{c.route, c.cells, nullptr});
  // Where the cells differ, as compiled with `p`: the first such cell and
  // how many; nothing when none does.
  struct Mismatch {
    std::size_t first = 0, count = 0;
  };
  auto mismatch = [&](const std::vector<Abbattimento>& p) -> std::optional<Mismatch> {
    Recompiled r;
    recompile(linea, recover_train(c, p), names, false, r);
    if (r.not_compiled || r.m.celle.size() != c.cells.size()) return std::nullopt;
    std::optional<Mismatch> s;
    for (std::size_t i = 0; i < c.cells.size(); ++i) {
      const cella& wanted = c.cells[i];
      const cella& got = r.m.celle[i];
      if (wanted.tipo_cella == got.tipo_cella && wanted.valore_a == got.valore_a) continue;
      if (!s) s = Mismatch{i, 0};
      ++s->count;
    }
    return s;
  };
  auto with_point = [&](std::size_t i) {
    std::vector<Abbattimento> p = points;
    p.push_back(row_of(i, c.cells[i]));
    std::sort(p.begin(), p.end(),
              [](const Abbattimento& a, const Abbattimento& b) { return a.position < b.position; });
    return p;
  };
  // A written point moves the marks at and after it, and the walk through
  // a slow slowdown carries the shift on: the first difference is mended by
  // the point on its own cell or by one a little before or after it.
  constexpr std::int64_t neighbours = 16;
  // Each try is a compilation of the cells: about 2^24 cells compiled in
  // all, whatever a damaged file asks for.
  const std::size_t most_tries = std::max<std::size_t>(64, (std::size_t{1} << 24) / std::max<std::size_t>(c.cells.size(), 1));
  std::optional<Mismatch> d = mismatch(points);
  for (std::size_t tries = 0; d && tries < most_tries;) {
    const std::size_t m = d->first;
    std::vector<std::size_t> candidates;
    if (is_point(c.cells[m]) && !written[m]) candidates.push_back(m);
    for (std::int64_t k = 1; k <= neighbours; ++k) {
      for (const std::int64_t i : {static_cast<std::int64_t>(m) - k, static_cast<std::int64_t>(m) + k}) {
        if (i < 0 || i >= static_cast<std::int64_t>(c.cells.size())) continue;
        const auto u = static_cast<std::size_t>(i);
        if (is_point(c.cells[u]) && !written[u]) candidates.push_back(u);
      }
    }
    // The one that takes the first difference furthest, then leaves the
    // fewest: a point next to the right one may mend one cell and keep the
    // shift, or shift the walk onto what follows by chance.
    std::optional<std::size_t> best;
    std::optional<Mismatch> after_best = d;
    for (const std::size_t i : candidates) {
      if (++tries >= most_tries) break;
      const std::optional<Mismatch> after = mismatch(with_point(i));
      if (!after || after->first > after_best->first ||
          (after->first == after_best->first && after->count < after_best->count)) {
        best = i;
        after_best = after;
        if (!after) break;
      }
    }
    if (!best) break;
    points = with_point(*best);
    written[*best] = true;
    d = after_best;
  }
  return points;
}

// ---- The proof ----

std::string number(std::int64_t v) { return std::to_string(v); }

std::string shown_text(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || b == '"' || b == '\\') {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", b);
      out += esc;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

class Comparison {
 public:
  Comparison(Decompiled& d, std::string file) : d_(d), file_(std::move(file)) {}
  void difference(std::size_t offset, std::string field, std::string expected, std::string obtained) {
    if (listed_ < differences_per_file) {
      d_.differences.push_back({file_, offset, std::move(field), std::move(expected), std::move(obtained)});
      ++listed_;
    } else {
      ++d_.differences_left_out;
    }
  }
  void field(std::size_t offset, const std::string& name, std::int64_t expected, std::int64_t obtained) {
    if (expected != obtained) difference(offset, name, number(expected), number(obtained));
  }

 private:
  Decompiled& d_;
  std::string file_;
  std::size_t listed_ = 0;
};

void compare_route(const CompiledModel& c, const Modello& m, Comparison& k) {
  std::size_t base = 0;
  for (std::size_t e = 0; e < c.route.size(); ++e) {
    const voce_percorso& a = c.route[e];
    const voce_percorso& b = m.tabella_percorso[e];
    const std::string n = "entry " + std::to_string(e) + " ";
    const std::size_t t = a.testo.size();
    for (const RouteField& f : route_entry_layout) {
      switch (f.kind) {
        case RouteField::Kind::number:
          k.field(base + f.at(t), n + std::string(f.layout.name), f.get(a), f.get(b));
          break;
        // A text that differs is told where its length stands, which
        // differs too when only the length does.
        case RouteField::Kind::text_length:
          if (a.testo != b.testo) k.difference(base + f.at(t), n + "testo", shown_text(a.testo), shown_text(b.testo));
          break;
        case RouteField::Kind::text: break;
      }
    }
    base += route_entry_fixed_size + t;
  }
}

void compare_cells(const CompiledModel& c, const Modello& m, Comparison& k) {
  const std::size_t n = std::min(c.cells.size(), m.celle.size());
  if (c.cells.size() != m.celle.size())
    k.difference(n * cell_size, "number of cells", number(static_cast<std::int64_t>(c.cells.size())),
                 number(static_cast<std::int64_t>(m.celle.size())));
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t base = i * cell_size;
    const std::string p = "cell " + std::to_string(i) + " ";
    for (const CellField& f : cell_layout)
      k.field(base + f.at(), p + std::string(f.layout.name), f.get(c.cells[i]), f.get(m.celle[i]));
  }
}

std::string element(const Tracciato& t, std::size_t p, int coord) {
  switch (t.tipo(p, coord)) {
    case Tracciato::Tipo::vuoto: return "empty";
    case Tracciato::Tipo::intero: return "integer " + number(static_cast<std::int64_t>(t.valore(p, coord)));
    case Tracciato::Tipo::reale: {
      char s[40];
      std::snprintf(s, sizeof s, "real %.17g", t.valore(p, coord));
      return s;
    }
  }
  return "";
}

void compare_plan(const Tracciato& a, const Tracciato& b, Comparison& k) {
  bool same = true;
  for (int coord = 0; coord < 2; ++coord) {
    const auto x = a.image(coord), y = b.image(coord);
    same = same && x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size()) == 0;
  }
  if (same) return;
  if (a.punti() != b.punti())
    k.difference(0, "number of points", number(static_cast<std::int64_t>(a.punti())),
                 number(static_cast<std::int64_t>(b.punti())));
  const std::size_t n = std::min(a.punti(), b.punti());
  std::size_t offset = 0;
  for (int coord = 0; coord < 2; ++coord) {
    for (std::size_t p = 0; p < n; ++p) {
      const Tracciato::Tipo ka = a.tipo(p, coord), kb = b.tipo(p, coord);
      const double va = a.valore(p, coord), vb = b.valore(p, coord);
      if (ka != kb || std::bit_cast<std::uint64_t>(va) != std::bit_cast<std::uint64_t>(vb))
        k.difference(offset, "point " + std::to_string(p) + " coordinate " + std::to_string(coord),
                     element(a, p, coord), element(b, p, coord));
      offset += Tracciato::element_width(ka);
    }
    for (std::size_t p = n; p < a.punti(); ++p) offset += Tracciato::element_width(a.tipo(p, coord));
  }
}

}  // namespace

Decompiled decompile(const CompiledBytes& files, const FileNames& names) {
  Tracciato plan;
  if (files.linea) plan = read_plan(*files.linea);
  CompiledModel c;
  c.route = read_route(files.percorso);
  c.cells = read_cells(files.celle);
  if (files.linea) c.plan = &plan;

  Decompiled d;
  const std::vector<Abbattimento> points = written_points(c, names);
  d.linea = recover_line(c);
  d.treno = recover_train(c, points);

  Recompiled r;
  recompile(d.linea, d.treno, names, files.linea.has_value(), r);
  if (r.not_compiled) {
    d.not_compiled = r.not_compiled;
    return d;
  }
  if (files.linea) {
    Comparison k(d, names.linea_dat());
    compare_plan(plan, r.m.tracciato, k);
  }
  {
    Comparison k(d, names.percorso_sim());
    compare_route(c, r.m, k);
  }
  {
    Comparison k(d, names.celle_dat());
    compare_cells(c, r.m, k);
  }
  // The fields above are every byte of the files; this says so once more,
  // byte by byte, so an exact result never rests on the field lists alone.
  if (d.exact()) {
    ByteBuffer b;
    serialize_route(r.m, b);
    const bool same_route = std::string_view(reinterpret_cast<const char*>(b.data().data()), b.size()) == files.percorso;
    b.clear();
    serialize_cells(r.m, b);
    const bool same_cells = std::string_view(reinterpret_cast<const char*>(b.data().data()), b.size()) == files.celle;
    if (!same_route) d.differences.push_back({names.percorso_sim(), 0, "bytes", "the file", "other bytes"});
    if (!same_cells) d.differences.push_back({names.celle_dat(), 0, "bytes", "the file", "other bytes"});
  }
  return d;
}

}  // namespace scenario
