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

std::shared_ptr<const RowList> rows_of(std::string bytes, Text which, bool curves,
                                       std::shared_ptr<const RowList> given) {
  if (given && read_from(*given, bytes, which, curves)) return given;
  return read_rows(std::make_shared<const std::string>(std::move(bytes)), which, curves);
}

void memorizza_dati(Modello& m, const DescriptionTexts& testi) {
  TextRows rows;
  memorizza_dati(m, testi, rows);
}

void memorizza_dati(Modello& m, const DescriptionTexts& testi, TextRows& rows) {
  m.tabella_percorso[voce::scenario].testo = m.nome_scenario;
  m.tabella_percorso[voce::ripetizione].testo = m.numero_treno;
  m.read_failure.clear();
  m.diagnostics.clear();
  m.diagnostic_limit.reset();
  m.error_diagnostic = TextSpan::npos;
  m.origins = {};

  Text in_lettura = Text::linea;
  try {
    std::int32_t puntatore_cartelli = voce::primo_cartello;
    std::shared_ptr<const RowList> train_given = std::move(rows.treno);
    if (!read_line(m, testi.linea, puntatore_cartelli, rows.linea)) {
      if (Diagnostic* d = recorded_error(m))
        d->notes.push_back({TextSpan{}, "the reading stopped here: the train description was not "
                                        "read, and the compiled files hold no train"});
      return;
    }
    in_lettura = Text::treno;
    rows.treno = std::move(train_given);
    read_train(m, testi.treno, puntatore_cartelli, rows.treno);
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
