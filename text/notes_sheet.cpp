// The scenario author's notes on train 254 and its line, for the simulator's
// user; nobody reads them back.
#include "text/scenario_texts.h"

#include "platform/platform.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

// The sheet is 8-bit text in the Western European code page: each accented
// letter is one byte (0xE8 for e grave, 0xE0 for a grave), never UTF-8.
constexpr std::string_view righe[] = {
    "Treno impostato in rango B - la locomotiva \xE8 un E444 anche nella realt\xE0.",
    "Non sono previste fermate fino a Vedona (il treno proviene da Marenza).",
    "In linea c'e qualche segnale chiuso. Non ci sono rallentamenti.",
    // One line of 183 characters: the sheet is never wrapped.
    "Prima della stazione di Vedona Zembrata termina, come nella realt\xE0, il tratto "
    "codificato della ripetizione, per cui occhio al segnalamento! Rispettare la giusta "
    "velocit\xE0 sugli scambi.",
    "Mi scuso fin d'ora per eventuali inesattezze nella planimetria della linea, ho cercato "
    "di fare del mio meglio...",
    "",
    "Lo scenarista",
    "Segnalazioni: scrivere all'autore dello scenario.",
    end_of_lines,
};

}  // namespace

std::span<const std::string_view> righe_note() { return righe; }

void dati_note(const std::string& cartella, const FileNames& nomi) {
  write_lines(platform::join_path(cartella, nomi.note()), righe_note());
}

}  // namespace scenario
