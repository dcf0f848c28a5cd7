// The language server: JSON-RPC 2.0 over the base protocol, one message at a
// time. Requests get a result or an error, notifications never an answer;
// a malformed message gets an error and the server reads on. It writes to
// the editor only, never to a file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/base_protocol.h"
#include "lsp/workspace.h"

namespace lsp {

// JSON-RPC and protocol error codes.
namespace error_code {
inline constexpr int parse_error = -32700;
inline constexpr int invalid_request = -32600;
inline constexpr int method_not_found = -32601;
inline constexpr int invalid_params = -32602;
inline constexpr int internal_error = -32603;
inline constexpr int server_not_initialized = -32002;
}  // namespace error_code

class Server {
 public:
  Server(ByteSink& out, Disk& disk) : out_(out), workspace_(disk) {}

  // One message's JSON text. Returns the exit status once "exit" arrives.
  std::optional<int> receive(std::string_view body);
  // A message the framing could not make out.
  void malformed(std::string_view problem);
  // The exit status when the input ends without "exit".
  int status_at_end() const { return shut_down_ ? 0 : 1; }

 private:
  void respond(const nlohmann::json& id, nlohmann::json result);
  void respond_error(const nlohmann::json& id, int code, std::string_view message);
  void notify(std::string_view method, nlohmann::json params);
  void log(std::string_view message);

  // initialize and shutdown, or a method of the table below.
  nlohmann::json request(const std::string& method, const nlohmann::json& params);
  struct DocumentMethod;
  static const std::map<std::string_view, DocumentMethod, std::less<>>& document_methods();
  static nlohmann::json quick_fixes(Server& s, const Document& d, const nlohmann::json& params,
                                    std::string_view method);
  static nlohmann::json tokens(Server& s, const Document& d, const nlohmann::json& params,
                               std::string_view method);
  static nlohmann::json preview_of(Server& s, const Document& d, const nlohmann::json& params,
                                   std::string_view method);
  void notification(const std::string& method, const nlohmann::json& params);

  nlohmann::json initialize(const nlohmann::json& params);
  // Asks the client to report changes of description texts on disk.
  void watch_partners();
  // Re-checks the open texts whose partners changed on disk.
  void disk_changed(const nlohmann::json& changes);
  // Diagnostics for every open document of `d`'s scenario.
  void publish_related(const Document& d);
  void publish(const Document& d);

  ByteSink& out_;
  Workspace workspace_;
  bool initialized_ = false;
  bool shut_down_ = false;
  bool snippets_ = false;
  // The editor's command that inserts a snippet (initializationOptions
  // snippetCommand), for fixes with tab stops; empty: none.
  std::string snippet_command_;
  bool watch_files_ = false;
  // The semantic tokens last sent for each open document, for deltas.
  struct SentTokens {
    std::string id;
    std::vector<std::uint32_t> data;
  };
  std::map<std::string, SentTokens> tokens_;
  std::uint64_t tokens_sent_ = 0;
};

// Reads messages until "exit" or the end of the input; returns the exit
// status (0 after shutdown, else 1).
int serve(ByteSource& in, ByteSink& out, Disk& disk);

}  // namespace lsp
