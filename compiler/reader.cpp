#include "compiler/reader.h"

#include <new>
#include <stdexcept>

#include "compiler/diagnose.h"

namespace scenario {
namespace {

void scarta_se_esiste(DescriptionText& testo) {
  if (testo.exists()) testo.discard();
}

}  // namespace

void memorizza_dati(Modello& m, const DescriptionTexts& testi) {
  m.tabella_percorso[voce::scenario].testo = m.nome_scenario;
  m.tabella_percorso[voce::ripetizione].testo = m.numero_treno;
  m.read_failure.clear();
  m.diagnostics.clear();
  m.error_diagnostic = TextSpan::npos;
  m.origins = {};

  Text in_lettura = Text::linea;
  try {
    std::int32_t puntatore_cartelli = voce::primo_cartello;
    if (!read_line(m, testi.linea, puntatore_cartelli)) {
      if (Diagnostic* d = recorded_error(m))
        d->notes.push_back({TextSpan{}, "the reading stopped here: the train description was not "
                                        "read, and the compiled files hold no train"});
      return;
    }
    in_lettura = Text::treno;
    read_train(m, testi.treno, puntatore_cartelli);
    return;
  } catch (const ReadFailure& e) {
    // The reader has recorded it at its place (error 25).
    if (m.read_failure.empty()) m.read_failure = e.what();
  } catch (const std::bad_alloc&) {
    m.read_failure = "out of memory";
    record_error(m, ScenarioError::unreadable, {in_lettura, TextSpan::npos, 0}).message +=
        ": " + m.read_failure;
  } catch (const std::runtime_error& e) {
    m.read_failure = e.what();  // the text could not be read or discarded
    record_error(m, ScenarioError::unreadable, {in_lettura, TextSpan::npos, 0}).message +=
        ": " + m.read_failure;
  }
  if (in_lettura == Text::linea)
    if (Diagnostic* d = recorded_error(m))
      d->notes.push_back({TextSpan{}, "the reading stopped here: the train description was not "
                                      "read, and the compiled files hold no train"});
  // The files were read whole into memory, so nothing is left open here.
  scarta_se_esiste(testi.linea);
  scarta_se_esiste(testi.treno);
  m.numero_errore = numero(ScenarioError::unreadable);
}

}  // namespace scenario
