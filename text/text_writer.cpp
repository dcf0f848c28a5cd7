#include "text/text_writer.h"

#include "platform/platform.h"

namespace scenario {

std::string joined_lines(std::span<const std::string_view> righe) {
  std::string testo;
  for (std::string_view riga : righe) {
    if (riga == end_of_lines) break;
    testo += riga;
    testo += "\r\n";
  }
  return testo;
}

void write_lines(const std::string& path, std::span<const std::string_view> righe) {
  const std::string testo = joined_lines(righe);
  platform::OutputFile file = platform::create_replacing(path);
  file.write(testo);
  file.close();
}

}  // namespace scenario
