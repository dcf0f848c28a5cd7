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
#include "model/errors.h"

namespace scenario {
namespace {

// The recovered texts compiled as `scenarioc compile` compiles them.
struct Ricompilato {
  Modello m;
  std::optional<std::string> non_compilato;
};

void ricompila(const std::string& linea, const std::string& treno, const FileNames& nomi,
               bool piano, Ricompilato& r) {
  TextInMemory l(linea, nomi.linea_txt());
  TextInMemory t(treno, nomi.treno_txt());
  CompileResult c = compile({l, t}, {nomi, piano, nullptr});
  r.m = std::move(c.model);
  if (c.status.ending == CompileStatus::Ending::fatal)
    r.non_compilato = "the recovered texts end in the fatal error " + std::to_string(c.status.error);
  else if (!c.status.has_files())
    r.non_compilato = "the recovered texts give no track cells: " + c.status.message;
}

bool punto(const cella& c) {
  return c.tipo_cella == tipo::abbattimento_con_valore || c.tipo_cella == tipo::abbattimento;
}

Abbattimento riga_di(std::size_t i, const cella& c) {
  std::int32_t valore = 0;
  // A positive value whose low 16 bits are the cell's.
  if (c.tipo_cella == tipo::abbattimento_con_valore)
    valore = c.valore_a > 0 ? c.valore_a : std::int32_t{c.valore_a} + 65536;
  return {static_cast<std::int32_t>(i) * 50, valore};
}

// Which "abbattimento" points were rows: the post-processing places points
// of value 180 too. A point of another value, or without one, is a row. Of
// the others, each is a row only when compiling without it leaves its cell
// different: tried from the first cell on, since a point moves only the
// marks at and after it.
std::vector<Abbattimento> punti_scritti(const CompiledModel& c, const FileNames& nomi) {
  std::vector<Abbattimento> punti;
  std::vector<bool> scritto(c.cells.size(), false);
  for (std::size_t i = 0; i < c.cells.size(); ++i) {
    const cella& x = c.cells[i];
    if (punto(x) && !(x.tipo_cella == tipo::abbattimento_con_valore && x.valore_a == 180)) {
      punti.push_back(riga_di(i, x));
      scritto[i] = true;
    }
  }
  const std::string linea = recover_line(CompiledModel{c.route, c.cells, nullptr});
  // Where the cells differ, as compiled with `p`: the first such cell and
  // how many; nothing when none does.
  struct Scarto {
    std::size_t prima = 0, quante = 0;
  };
  auto scarto = [&](const std::vector<Abbattimento>& p) -> std::optional<Scarto> {
    Ricompilato r;
    ricompila(linea, recover_train(c, p), nomi, false, r);
    if (r.non_compilato || r.m.celle.size() != c.cells.size()) return std::nullopt;
    std::optional<Scarto> s;
    for (std::size_t i = 0; i < c.cells.size(); ++i) {
      const cella& voluta = c.cells[i];
      const cella& avuta = r.m.celle[i];
      if (voluta.tipo_cella == avuta.tipo_cella && voluta.valore_a == avuta.valore_a) continue;
      if (!s) s = Scarto{i, 0};
      ++s->quante;
    }
    return s;
  };
  auto con = [&](std::size_t i) {
    std::vector<Abbattimento> p = punti;
    p.push_back(riga_di(i, c.cells[i]));
    std::sort(p.begin(), p.end(),
              [](const Abbattimento& a, const Abbattimento& b) { return a.posizione < b.posizione; });
    return p;
  };
  // A written point moves the marks at and after it, and the walk through
  // a slow slowdown carries the shift on: the first difference is mended by
  // the point on its own cell or by one a little before or after it.
  constexpr std::int64_t vicini = 16;
  // Each try is a compilation of the cells: about 2^24 cells compiled in
  // all, whatever a damaged file asks for.
  const std::size_t massimo = std::max<std::size_t>(64, (std::size_t{1} << 24) / std::max<std::size_t>(c.cells.size(), 1));
  std::optional<Scarto> d = scarto(punti);
  for (std::size_t prove = 0; d && prove < massimo;) {
    const std::size_t m = d->prima;
    std::vector<std::size_t> candidati;
    if (punto(c.cells[m]) && !scritto[m]) candidati.push_back(m);
    for (std::int64_t k = 1; k <= vicini; ++k) {
      for (const std::int64_t i : {static_cast<std::int64_t>(m) - k, static_cast<std::int64_t>(m) + k}) {
        if (i < 0 || i >= static_cast<std::int64_t>(c.cells.size())) continue;
        const auto u = static_cast<std::size_t>(i);
        if (punto(c.cells[u]) && !scritto[u]) candidati.push_back(u);
      }
    }
    // The one that takes the first difference furthest, then leaves the
    // fewest: a point next to the right one may mend one cell and keep the
    // shift, or shift the walk onto what follows by chance.
    std::optional<std::size_t> migliore;
    std::optional<Scarto> dopo_migliore = d;
    for (const std::size_t i : candidati) {
      if (++prove >= massimo) break;
      const std::optional<Scarto> dopo = scarto(con(i));
      if (!dopo || dopo->prima > dopo_migliore->prima ||
          (dopo->prima == dopo_migliore->prima && dopo->quante < dopo_migliore->quante)) {
        migliore = i;
        dopo_migliore = dopo;
        if (!dopo) break;
      }
    }
    if (!migliore) break;
    punti = con(*migliore);
    scritto[*migliore] = true;
    d = dopo_migliore;
  }
  return punti;
}

// ---- The proof ----

std::string numero(std::int64_t v) { return std::to_string(v); }

std::string testo_mostrato(std::string_view s) {
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

class Confronto {
 public:
  Confronto(Decompiled& d, std::string file) : d_(d), file_(std::move(file)) {}
  void differenza(std::size_t offset, std::string campo, std::string atteso, std::string ottenuto) {
    if (scritte_ < differences_per_file) {
      d_.differences.push_back({file_, offset, std::move(campo), std::move(atteso), std::move(ottenuto)});
      ++scritte_;
    } else {
      ++d_.differences_left_out;
    }
  }
  template <typename T>
  void campo(std::size_t offset, const std::string& nome, T atteso, T ottenuto) {
    if (atteso != ottenuto) differenza(offset, nome, numero(atteso), numero(ottenuto));
  }

 private:
  Decompiled& d_;
  std::string file_;
  std::size_t scritte_ = 0;
};

void confronta_percorso(const CompiledModel& c, const Modello& m, Confronto& k) {
  std::size_t base = 0;
  for (std::size_t e = 0; e < c.route.size(); ++e) {
    const voce_percorso& a = c.route[e];
    const voce_percorso& b = m.tabella_percorso[e];
    const std::string n = "entry " + std::to_string(e) + " ";
    const std::size_t t = a.testo.size();
    k.campo<int>(base + 0, n + "tipo_voce", a.tipo_voce, b.tipo_voce);
    k.campo<std::int32_t>(base + 1, n + "dato1", a.dato1, b.dato1);
    k.campo<std::int32_t>(base + 5, n + "dato2", a.dato2, b.dato2);
    k.campo<std::int32_t>(base + 9, n + "dato3", a.dato3, b.dato3);
    k.campo<int>(base + 13, n + "byte1", a.byte1, b.byte1);
    if (a.testo != b.testo) k.differenza(base + 14, n + "testo", testo_mostrato(a.testo), testo_mostrato(b.testo));
    k.campo<int>(base + 16 + t, n + "intero1", a.intero1, b.intero1);
    k.campo<int>(base + 18 + t, n + "intero2", a.intero2, b.intero2);
    k.campo<int>(base + 20 + t, n + "intero3", a.intero3, b.intero3);
    k.campo<int>(base + 22 + t, n + "intero4", a.intero4, b.intero4);
    k.campo<int>(base + 24 + t, n + "intero5", a.intero5, b.intero5);
    k.campo<int>(base + 26 + t, n + "byte2", a.byte2, b.byte2);
    k.campo<int>(base + 27 + t, n + "byte3", a.byte3, b.byte3);
    k.campo<int>(base + 28 + t, n + "byte4", a.byte4, b.byte4);
    k.campo<int>(base + 29 + t, n + "byte5", a.byte5, b.byte5);
    k.campo<std::int32_t>(base + 30 + t, n + "dato4", a.dato4, b.dato4);
    base += byte_voce_vuota + t;
  }
}

void confronta_celle(const CompiledModel& c, const Modello& m, Confronto& k) {
  const std::size_t n = std::min(c.cells.size(), m.celle.size());
  if (c.cells.size() != m.celle.size())
    k.differenza(n * byte_per_cella, "number of cells", numero(static_cast<std::int64_t>(c.cells.size())),
                 numero(static_cast<std::int64_t>(m.celle.size())));
  for (std::size_t i = 0; i < n; ++i) {
    const cella& a = c.cells[i];
    const cella& b = m.celle[i];
    const std::size_t base = i * byte_per_cella;
    const std::string p = "cell " + std::to_string(i) + " ";
    k.campo<int>(base + 0, p + "tipo_cella", a.tipo_cella, b.tipo_cella);
    k.campo<int>(base + 1, p + "valore_a", a.valore_a, b.valore_a);
    k.campo<int>(base + 3, p + "valore_b", a.valore_b, b.valore_b);
    k.campo<int>(base + 5, p + "valore_c", a.valore_c, b.valore_c);
    k.campo<int>(base + 7, p + "valore_d", a.valore_d, b.valore_d);
    k.campo<int>(base + 9, p + "tempo_segnale", a.tempo_segnale, b.tempo_segnale);
    k.campo<int>(base + 10, p + "preavviso", a.preavviso, b.preavviso);
    k.campo<int>(base + 11, p + "codice_montagna", a.codice_montagna, b.codice_montagna);
    k.campo<int>(base + 12, p + "vel_limite", a.vel_limite, b.vel_limite);
    k.campo<int>(base + 13, p + "codice_pendenza", a.codice_pendenza, b.codice_pendenza);
    k.campo<int>(base + 14, p + "aderenza", a.aderenza, b.aderenza);
  }
}

std::string elemento(const Tracciato& t, std::size_t p, int coord) {
  switch (t.tipo(p, coord)) {
    case Tracciato::Tipo::vuoto: return "empty";
    case Tracciato::Tipo::intero: return "integer " + numero(static_cast<std::int64_t>(t.valore(p, coord)));
    case Tracciato::Tipo::reale: {
      char s[40];
      std::snprintf(s, sizeof s, "real %.17g", t.valore(p, coord));
      return s;
    }
  }
  return "";
}

std::size_t dimensione(Tracciato::Tipo k) {
  return k == Tracciato::Tipo::vuoto ? 2 : k == Tracciato::Tipo::intero ? 4 : 10;
}

void confronta_piano(const Tracciato& a, const Tracciato& b, Confronto& k) {
  bool uguali = true;
  for (int coord = 0; coord < 2; ++coord) {
    const auto x = a.image(coord), y = b.image(coord);
    uguali = uguali && x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size()) == 0;
  }
  if (uguali) return;
  if (a.punti() != b.punti())
    k.differenza(0, "number of points", numero(static_cast<std::int64_t>(a.punti())),
                 numero(static_cast<std::int64_t>(b.punti())));
  const std::size_t n = std::min(a.punti(), b.punti());
  std::size_t offset = 0;
  for (int coord = 0; coord < 2; ++coord) {
    for (std::size_t p = 0; p < n; ++p) {
      const Tracciato::Tipo ka = a.tipo(p, coord), kb = b.tipo(p, coord);
      const double va = a.valore(p, coord), vb = b.valore(p, coord);
      if (ka != kb || std::bit_cast<std::uint64_t>(va) != std::bit_cast<std::uint64_t>(vb))
        k.differenza(offset, "point " + std::to_string(p) + " coordinate " + std::to_string(coord),
                     elemento(a, p, coord), elemento(b, p, coord));
      offset += dimensione(ka);
    }
    for (std::size_t p = n; p < a.punti(); ++p) offset += dimensione(a.tipo(p, coord));
  }
}

}  // namespace

Decompiled decompila(const CompiledBytes& files, const FileNames& nomi) {
  Tracciato piano;
  if (files.linea) piano = read_plan(*files.linea);
  CompiledModel c;
  c.route = read_route(files.percorso);
  c.cells = read_cells(files.celle);
  if (files.linea) c.plan = &piano;

  Decompiled d;
  const std::vector<Abbattimento> punti = punti_scritti(c, nomi);
  d.linea = recover_line(c);
  d.treno = recover_train(c, punti);

  Ricompilato r;
  ricompila(d.linea, d.treno, nomi, files.linea.has_value(), r);
  if (r.non_compilato) {
    d.not_compiled = r.non_compilato;
    return d;
  }
  if (files.linea) {
    Confronto k(d, nomi.linea_dat());
    confronta_piano(piano, r.m.tracciato, k);
  }
  {
    Confronto k(d, nomi.percorso_sim());
    confronta_percorso(c, r.m, k);
  }
  {
    Confronto k(d, nomi.celle_dat());
    confronta_celle(c, r.m, k);
  }
  // The fields above are every byte of the files; this says so once more,
  // byte by byte, so an exact result never rests on the field lists alone.
  if (d.exact()) {
    ByteBuffer b;
    serialize_route(r.m, b);
    const bool percorso = std::string_view(reinterpret_cast<const char*>(b.data().data()), b.size()) == files.percorso;
    b.clear();
    serialize_cells(r.m, b);
    const bool celle = std::string_view(reinterpret_cast<const char*>(b.data().data()), b.size()) == files.celle;
    if (!percorso) d.differences.push_back({nomi.percorso_sim(), 0, "bytes", "the file", "other bytes"});
    if (!celle) d.differences.push_back({nomi.celle_dat(), 0, "bytes", "the file", "other bytes"});
  }
  return d;
}

}  // namespace scenario
