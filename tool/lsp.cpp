// scenarioc lsp: the language server on standard input and output, for the
// author's editor. Everything it says goes to the editor; it writes no file.
#include <string>

#include "lsp/base_protocol.h"
#include "lsp/server.h"
#include "lsp/workspace.h"
#include "platform/platform.h"
#include "tool/cli.h"

namespace scenarioc {

const std::string_view lsp_usage =
    "usage: scenarioc lsp\n"
    "\n"
    "Runs the language server for *_linea.txt and *-.txt description texts on\n"
    "standard input and output (the Language Server Protocol's base protocol:\n"
    "Content-Length framing, JSON-RPC 2.0). An editor starts it; doc/editors.md\n"
    "shows how. It compiles the open texts with their partners as they change,\n"
    "in memory, and writes no file.\n"
    "\n"
    "Exit status: 0 after the editor's shutdown and exit; 1 when the input ends\n"
    "or exit comes without shutdown; 2 when standard input or output fail.\n";

namespace {

class StandardInput final : public lsp::ByteSource {
 public:
  std::size_t read(char* buffer, std::size_t size) override {
    return platform::read_standard_input(buffer, size);
  }
};

class StandardOutput final : public lsp::ByteSink {
 public:
  void write(std::string_view bytes) override { platform::write_standard_output(bytes); }
};

}  // namespace

int run_lsp(std::span<const std::string> args) {
  const Arguments a = parse_arguments(args, {}, {});
  if (a.help) {
    write_out(lsp_usage);
    return exit_ok;
  }
  if (!a.operands.empty()) throw UsageError("lsp takes no operands");
  StandardInput in;
  StandardOutput out;
  lsp::PlatformDisk disk;
  return lsp::serve(in, out, disk);
}

}  // namespace scenarioc
