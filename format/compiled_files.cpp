#include "format/compiled_files.h"

#include "model/file_names.h"
#include "platform/platform.h"

namespace scenario {
namespace {

void scrivi(const std::string& path, const ByteBuffer& buffer) {
  platform::OutputFile file = platform::create_replacing(path);
  file.write(buffer.data());
  file.close();
}

}  // namespace

void serializza_percorso(const Modello& m, ByteBuffer& out) {
  for (const voce_percorso& v : m.tabella_percorso) {
    out.u8(v.tipo_voce);
    out.i32(v.dato1);
    out.i32(v.dato2);
    out.i32(v.dato3);
    out.u8(v.byte1);
    // The length field is 16 bits; a longer text is cut rather than written
    // with a length that does not match its bytes.
    std::string_view testo = v.testo;
    if (testo.size() > 0xFFFF) testo = testo.substr(0, 0xFFFF);
    out.u16(static_cast<std::uint16_t>(testo.size()));
    out.bytes(testo);
    out.i16(v.intero1);
    out.i16(v.intero2);
    out.i16(v.intero3);
    out.i16(v.intero4);
    out.i16(v.intero5);
    out.u8(v.byte2);
    out.u8(v.byte3);
    out.u8(v.byte4);
    out.u8(v.byte5);
    out.i32(v.dato4);
  }
}

void serializza_celle(const Modello& m, ByteBuffer& out) {
  // One pass over the cells into room taken at once.
  std::uint8_t* p = out.append(m.celle.size() * byte_per_cella);
  for (const cella& c : m.celle) {
    p[0] = c.tipo_cella;
    put_le16(p + 1, static_cast<std::uint16_t>(c.valore_a));
    put_le16(p + 3, static_cast<std::uint16_t>(c.valore_b));
    put_le16(p + 5, static_cast<std::uint16_t>(c.valore_c));
    put_le16(p + 7, static_cast<std::uint16_t>(c.valore_d));
    p[9] = c.tempo_segnale;
    p[10] = c.preavviso;
    p[11] = c.codice_montagna;
    p[12] = c.vel_limite;
    p[13] = c.codice_pendenza;
    p[14] = c.aderenza;
    p += byte_per_cella;
  }
}

void scrivi_file_compilati(const Modello& m) {
  const NomiFile nomi{m.nome_scenario, m.numero_treno};
  if (m.scrivi_linea != 0) {
    platform::OutputFile file =
        platform::create_replacing(platform::join_path(m.cartella, nomi.linea_dat()));
    // The plan is its file image already: two writes.
    file.write(m.tracciato.image(0));
    file.write(m.tracciato.image(1));
    file.close();
  }

  ByteBuffer buffer;
  serializza_percorso(m, buffer);
  scrivi(platform::join_path(m.cartella, nomi.percorso_sim()), buffer);

  buffer.clear();
  serializza_celle(m, buffer);
  scrivi(platform::join_path(m.cartella, nomi.celle_dat()), buffer);
}

}  // namespace scenario
