#include "reader.h"

#include <new>

#include "file_names.h"
#include "platform.h"

namespace scenario {
namespace {

void cancella_se_esiste(const std::string& path) {
  if (platform::file_exists(path)) platform::delete_file(path);
}

}  // namespace

void memorizza_dati(Modello& m) {
  m.tabella_percorso[voce::scenario].testo = m.nome_scenario;
  m.tabella_percorso[voce::ripetizione].testo = m.numero_treno;
  m.diagnosi = {};

  const NomiFile nomi{m.nome_scenario, m.numero_treno};
  const std::string linea = platform::join_path(m.cartella, nomi.linea_txt());
  const std::string treno = platform::join_path(m.cartella, nomi.treno_txt());

  std::string guasto;
  std::size_t offset = Diagnosi::npos;
  Diagnosi::Sorgente in_lettura = Diagnosi::Sorgente::linea;
  try {
    std::int32_t puntatore_cartelli = voce::primo_cartello;
    if (!leggi_linea(m, linea, puntatore_cartelli)) return;
    in_lettura = Diagnosi::Sorgente::treno;
    leggi_treno(m, treno, puntatore_cartelli);
    return;
  } catch (const ReadFailure& e) {
    guasto = e.what();
    offset = e.offset();
  } catch (const platform::Failure& e) {
    guasto = e.what();
  } catch (const std::bad_alloc&) {
    guasto = "out of memory";
  }
  // The files were read whole into memory, so nothing is left open here.
  m.diagnosi.sorgente = in_lettura;
  m.diagnosi.record = Diagnosi::npos;
  m.diagnosi.campo = offset;
  m.diagnosi.guasto = guasto;
  cancella_se_esiste(linea);
  cancella_se_esiste(treno);
  m.numero_errore = 25;
}

}  // namespace scenario
