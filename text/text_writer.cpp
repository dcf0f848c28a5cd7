#include "text/text_writer.h"

#include "platform/platform.h"

namespace scenario {

void scrivi_righe(const std::string& path, std::span<const std::string_view> righe) {
  std::string testo;
  for (std::string_view riga : righe) {
    if (riga == fine_righe) break;
    testo += riga;
    testo += "\r\n";
  }
  platform::OutputFile file = platform::create_replacing(path);
  file.write(testo);
  file.close();
}

}  // namespace scenario
