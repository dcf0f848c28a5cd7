// The slowdown sheet for the simulator's user: this scenario has no
// temporary speed restrictions, so it says so under four empty lines.
#include "text/scenario_texts.h"

#include "platform/platform.h"
#include "text/text_writer.h"

namespace scenario {
namespace {

// The notice stands on the fifth line, indented by 25 blanks.
constexpr std::string_view righe[] = {
    "",
    "",
    "",
    "",
    "                         NESSUNA PRESCRIZIONE",
    end_of_lines,
};

}  // namespace

std::span<const std::string_view> righe_rallentamenti() { return righe; }

void dati_rallentamenti(const std::string& cartella, const FileNames& nomi) {
  write_lines(platform::join_path(cartella, nomi.rallentamenti()), righe_rallentamenti());
}

}  // namespace scenario
