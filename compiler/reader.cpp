#include "compiler/reader.h"

#include <new>
#include <stdexcept>

namespace scenario {
namespace {

void scarta_se_esiste(DescriptionText& testo) {
  if (testo.exists()) testo.discard();
}

}  // namespace

void memorizza_dati(Modello& m, const DescriptionTexts& testi) {
  m.tabella_percorso[voce::scenario].testo = m.nome_scenario;
  m.tabella_percorso[voce::ripetizione].testo = m.numero_treno;
  m.diagnosi = {};

  std::string guasto;
  std::size_t offset = Diagnosi::npos;
  Diagnosi::Sorgente in_lettura = Diagnosi::Sorgente::linea;
  try {
    std::int32_t puntatore_cartelli = voce::primo_cartello;
    if (!leggi_linea(m, testi.linea, puntatore_cartelli)) return;
    in_lettura = Diagnosi::Sorgente::treno;
    leggi_treno(m, testi.treno, puntatore_cartelli);
    return;
  } catch (const ReadFailure& e) {
    guasto = e.what();
    offset = e.offset();
  } catch (const std::bad_alloc&) {
    guasto = "out of memory";
  } catch (const std::runtime_error& e) {
    guasto = e.what();  // the text could not be read or discarded
  }
  // The files were read whole into memory, so nothing is left open here.
  m.diagnosi.sorgente = in_lettura;
  m.diagnosi.record = Diagnosi::npos;
  m.diagnosi.campo = offset;
  m.diagnosi.guasto = guasto;
  scarta_se_esiste(testi.linea);
  scarta_se_esiste(testi.treno);
  m.numero_errore = 25;
}

}  // namespace scenario
