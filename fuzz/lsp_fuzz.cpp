// The language server behind its message reader, on any bytes: the framing,
// the JSON, the requests and their parameters, and the documents an input
// opens, compiled and described. A disk that holds one small scenario gives
// every text a partner. Besides the sanitizers, each message the server
// writes is checked: a frame whose length is its body's and whose body is
// JSON, whatever the input held.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/base_protocol.h"
#include "lsp/server.h"
#include "lsp/workspace.h"

namespace {

void richiedi(bool condizione, const char* cosa) {
  if (condizione) return;
  std::fprintf(stderr, "lsp: %s\n", cosa);
  std::abort();
}

bool finisce_con(std::string_view s, std::string_view fine) {
  return s.size() >= fine.size() && s.substr(s.size() - fine.size()) == fine;
}

class CheckingSink final : public lsp::ByteSink {
 public:
  void write(std::string_view bytes) override {
    constexpr std::string_view testa = "Content-Length: ";
    richiedi(bytes.substr(0, testa.size()) == testa, "a message without its header");
    const std::size_t vuota = bytes.find("\r\n\r\n");
    richiedi(vuota != std::string_view::npos, "a header block without its end");
    const std::string numero(bytes.substr(testa.size(), vuota - testa.size()));
    const std::string_view corpo = bytes.substr(vuota + 4);
    richiedi(std::to_string(corpo.size()) == numero, "a Content-Length that is not the body's");
    richiedi(nlohmann::json::accept(corpo), "a body that is not JSON");
  }
};

class FuzzDisk final : public lsp::Disk {
 public:
  std::optional<std::string> read(const std::string& path) override {
    if (finisce_con(path, "_linea.txt"))
      return std::string("[generale]\r\nlunghezza percorso, 10000\r\n[curve]\r\ncurvad3, 800, 450\r\n"
                         "[pendenze]\r\npendenza, 1000, 3\r\n[fine]\r\n");
    if (finisce_con(path, "_1-.txt"))
      return std::string("[generale]\r\nnumero vetture, 6\r\n[segnali]\r\n"
                         "segnale, 1650, 2, 3, 0, 0, 0, 0, 0,0,0, 0\r\n[fine]\r\n");
    return std::nullopt;
  }
  bool exists(const std::string& path) override { return read(path).has_value(); }
  std::vector<std::string> list(const std::string&) override { return {"Seme_1-.txt"}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lsp::MemorySource in(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckingSink out;
  FuzzDisk disco;
  const int status = lsp::serve(in, out, disco);
  richiedi(status == 0 || status == 1, "an exit status other than 0 or 1");
  return 0;
}
