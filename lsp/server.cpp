#include "lsp/server.h"

#include <algorithm>
#include <exception>
#include <map>
#include <set>
#include <stdexcept>
#include <tuple>

#include "lsp/code_actions.h"
#include "lsp/features.h"
#include "lsp/json_nesting.h"
#include "lsp/json_surrogates.h"
#include "lsp/folding.h"
#include "lsp/formatting.h"
#include "lsp/hover_words.h"
#include "lsp/preview.h"
#include "lsp/published_diagnostics.h"
#include "lsp/semantic_tokens.h"
#include "lsp/signature_help.h"
#include "lsp/uri.h"

namespace lsp {

using nlohmann::json;

namespace {

// An error answer decided by a handler.
class RpcError : public std::runtime_error {
 public:
  RpcError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

std::string dump(const json& j) {
  // Every text put in is UTF-8 already; a stray byte must not end the server.
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

void Server::respond(const json& id, json result) {
  out_.write(frame(dump({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}})));
}

void Server::respond_error(const json& id, int code, std::string_view message) {
  out_.write(frame(dump({{"jsonrpc", "2.0"},
                         {"id", id},
                         {"error", {{"code", code}, {"message", protocol_text(message)}}}})));
}

void Server::notify(std::string_view method, json params) {
  out_.write(frame(dump({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}})));
}

void Server::log(std::string_view message) {
  constexpr int error_type = 1;
  notify("window/logMessage", {{"type", error_type}, {"message", protocol_text(message)}});
}

void Server::malformed(std::string_view problem) {
  respond_error(nullptr, error_code::parse_error, "malformed message: " + std::string(problem));
}

std::optional<int> Server::receive(std::string_view body) {
  if (nests_deeper_than(body, max_json_nesting)) {
    respond_error(nullptr, error_code::invalid_request,
                  "a message nested more than " + std::to_string(max_json_nesting) + " levels deep");
    return std::nullopt;
  }
  json msg;
  try {
    const std::optional<std::string> mended = lone_surrogates_replaced(body);
    msg = json::parse(mended ? std::string_view(*mended) : body);
  } catch (const json::exception& e) {
    respond_error(nullptr, error_code::parse_error, std::string("not JSON: ") + e.what());
    return std::nullopt;
  }
  if (!msg.is_object()) {
    respond_error(nullptr, error_code::invalid_request, "a message must be a JSON object");
    return std::nullopt;
  }
  const auto id_at = msg.find("id");
  const bool has_id = id_at != msg.end();
  const json id = has_id ? *id_at : json(nullptr);
  if (has_id && !id.is_string() && !id.is_number_integer()) {
    respond_error(nullptr, error_code::invalid_request, "an id must be a string or an integer");
    return std::nullopt;
  }
  const auto version = msg.find("jsonrpc");
  if (version != msg.end() && *version != "2.0") {
    if (has_id) respond_error(id, error_code::invalid_request, "only JSON-RPC 2.0 is spoken");
    return std::nullopt;
  }
  const auto method_at = msg.find("method");
  if (method_at == msg.end() || !method_at->is_string()) {
    // An answer to a request of ours: the server sends none.
    if (has_id && (msg.contains("result") || msg.contains("error"))) return std::nullopt;
    respond_error(id, error_code::invalid_request, "a request needs a method name");
    return std::nullopt;
  }
  const std::string method = *method_at;
  // By reference: a document's text is not copied once more.
  const auto params_at = msg.find("params");
  const json no_params = json::object();
  const json& params = params_at != msg.end() ? *params_at : no_params;

  if (method == "exit") return status_at_end();
  if (!has_id) {
    // Before initialize and after shutdown notifications are dropped.
    if (!initialized_ || shut_down_) return std::nullopt;
    try {
      notification(method, params);
    } catch (const std::exception& e) {
      log(method + ": " + e.what());
    }
    return std::nullopt;
  }

  if (shut_down_) {
    respond_error(id, error_code::invalid_request, "the server has shut down");
    return std::nullopt;
  }
  if (!initialized_ && method != "initialize") {
    respond_error(id, error_code::server_not_initialized, "initialize comes first");
    return std::nullopt;
  }
  try {
    json result = request(method, params);
    respond(id, std::move(result));
  } catch (const RpcError& e) {
    respond_error(id, e.code(), e.what());
  } catch (const json::exception& e) {
    respond_error(id, error_code::invalid_params, std::string("invalid params: ") + e.what());
  } catch (const std::exception& e) {
    respond_error(id, error_code::internal_error, e.what());
  }
  return std::nullopt;
}

json Server::initialize(const json& params) {
  if (initialized_) throw RpcError(error_code::invalid_request, "initialize was already received");
  initialized_ = true;
  auto client_says = [&](const char* pointer) {
    const json::json_pointer at(pointer);
    return params.is_object() && params.contains(at) && params.at(at).is_boolean() && params.at(at).get<bool>();
  };
  snippets_ = client_says("/capabilities/textDocument/completion/completionItem/snippetSupport");
  watch_files_ = client_says("/capabilities/workspace/didChangeWatchedFiles/dynamicRegistration");
  const json::json_pointer command("/initializationOptions/snippetCommand");
  if (params.is_object() && params.contains(command) && params.at(command).is_string())
    snippet_command_ = params.at(command).get<std::string>();
  // As scenarioc's --diagnostic-limit: diagnostics of one code per text.
  const json::json_pointer limit("/initializationOptions/diagnosticLimit");
  if (params.is_object() && params.contains(limit) && params.at(limit).is_number_unsigned())
    workspace_.set_diagnostic_limit(params.at(limit).get<std::size_t>());
  constexpr int full_sync = 1;
  return {{"capabilities",
           {{"positionEncoding", "utf-16"},
            {"textDocumentSync",
             {{"openClose", true}, {"change", full_sync}, {"save", {{"includeText", false}}}}},
            {"hoverProvider", true},
            {"inlayHintProvider", true},
            {"documentSymbolProvider", true},
            // "[" begins a section header; keywords begin with letters, which
            // every client completes on.
            {"completionProvider", {{"triggerCharacters", {"["}}, {"resolveProvider", false}}},
            {"foldingRangeProvider", true},
            {"signatureHelpProvider", {{"triggerCharacters", {","}}, {"retriggerCharacters", {" "}}}},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
            {"documentFormattingProvider", true},
            {"documentRangeFormattingProvider", true},
            {"semanticTokensProvider",
             {{"legend", semantic_token_legend()}, {"full", {{"delta", true}}}, {"range", false}}}}},
          {"serverInfo", {{"name", "scenarioc"}}}};
}

void Server::watch_partners() {
  // Partners change on disk behind the editor's back (another editor, a
  // script): the client watches the description texts and tells.
  constexpr int changed_kinds = 7;  // created, changed, deleted
  const json watchers = {{{"globPattern", "**/*_linea.txt"}, {"kind", changed_kinds}},
                         {{"globPattern", "**/*-.txt"}, {"kind", changed_kinds}}};
  out_.write(frame(dump({{"jsonrpc", "2.0"},
                         {"id", "scenarioc-watch"},
                         {"method", "client/registerCapability"},
                         {"params",
                          {{"registrations",
                            {{{"id", "scenarioc-watch"},
                              {"method", "workspace/didChangeWatchedFiles"},
                              {"registerOptions", {{"watchers", watchers}}}}}}}}})));
}

void Server::disk_changed(const json& changes) {
  std::set<Document*> stale;
  for (const json& c : changes) {
    const std::optional<std::string> path = path_of(c.at("uri").get<std::string>());
    if (!path || workspace_.open_at(*path)) continue;  // an open buffer wins over the disk
    const std::string_view dir = folder(*path);
    for (const auto& [uri, d] : workspace_.documents())
      if (d.file && !d.path.empty() && folder(d.path) == dir) stale.insert(workspace_.find(uri));
  }
  // Every open text of the folder: a new train text is a new partner of
  // its line text, whatever the names say before it is read.
  for (Document* d : stale) publish(*d);
  workspace_.forget_unused();
}

namespace {

// A position of the protocol as a byte offset in the document.
std::size_t offset_of(const Document& d, const json& p) {
  return LineIndex(d.bytes).offset({p.at("line").get<std::size_t>(), p.at("character").get<std::size_t>()});
}

}  // namespace

// The methods that answer about one open document, each given the document
// its params name. `absent` answers for a document that is not open; a
// method without one answers with an error.
struct Server::DocumentMethod {
  json (*handle)(Server& s, const Document& d, const json& params, std::string_view method);
  std::optional<json> absent;
};

const std::map<std::string_view, Server::DocumentMethod, std::less<>>& Server::document_methods() {
  static const std::map<std::string_view, DocumentMethod, std::less<>> methods = {
      {"textDocument/hover",
       {[](Server& s, const Document& d, const json& params, std::string_view) {
          const std::size_t at = offset_of(d, params.at("position"));
          json h = hover(d, s.workspace_.main_unit(d), at);
          return h.is_null() ? hover_outside_rows(s.workspace_, d, at) : h;
        },
        json(nullptr)}},
      {"textDocument/inlayHint",
       {[](Server& s, const Document& d, const json& params, std::string_view) {
          const json& range = params.at("range");
          return inlay_hints(d, s.workspace_.main_unit(d), offset_of(d, range.at("start")),
                             offset_of(d, range.at("end")));
        },
        json::array()}},
      {"textDocument/documentSymbol",
       {[](Server& s, const Document& d, const json&, std::string_view) {
          return document_symbols(d, s.workspace_.main_unit(d));
        },
        json::array()}},
      {"textDocument/completion",
       {[](Server& s, const Document& d, const json& params, std::string_view) {
          return completion(d, offset_of(d, params.at("position")), s.snippets_);
        },
        json(nullptr)}},
      {"textDocument/signatureHelp",
       {[](Server&, const Document& d, const json& params, std::string_view) {
          return signature_help(d, offset_of(d, params.at("position")));
        },
        json(nullptr)}},
      {"textDocument/codeAction", {&Server::quick_fixes, json::array()}},
      {"textDocument/semanticTokens/full", {&Server::tokens, json{{"data", json::array()}}}},
      {"textDocument/semanticTokens/full/delta", {&Server::tokens, json{{"data", json::array()}}}},
      {"textDocument/formatting",
       {[](Server&, const Document& d, const json&, std::string_view) {
          return format_rows(d, 0, d.bytes.size() + 1);
        },
        json::array()}},
      {"textDocument/rangeFormatting",
       {[](Server&, const Document& d, const json& params, std::string_view) {
          const json& range = params.at("range");
          return format_rows(d, offset_of(d, range.at("start")), offset_of(d, range.at("end")));
        },
        json::array()}},
      {"textDocument/foldingRange",
       {[](Server&, const Document& d, const json&, std::string_view) { return folding_ranges(d); },
        json::array()}},
      {"scenarioc/preview", {&Server::preview_of, std::nullopt}},
  };
  return methods;
}

json Server::request(const std::string& method, const json& params) {
  if (method == "initialize") return initialize(params);
  if (method == "shutdown") {
    shut_down_ = true;
    return nullptr;
  }
  const auto& methods = document_methods();
  const auto m = methods.find(method);
  if (m == methods.end()) throw RpcError(error_code::method_not_found, "no method " + method);
  const Document* d = workspace_.find(params.at("textDocument").at("uri").get<std::string>());
  if (d) return m->second.handle(*this, *d, params, method);
  if (m->second.absent) return *m->second.absent;
  throw RpcError(error_code::invalid_params, "no scenario description is open at this URI");
}

json Server::quick_fixes(Server& s, const Document& d, const json& params, std::string_view) {
  const json& only = params.at("context").value("only", json::array());
  if (!only.empty() && std::find(only.begin(), only.end(), "quickfix") == only.end()) return json::array();
  const json& range = params.at("range");
  return code_actions(s.workspace_, d, offset_of(d, range.at("start")), offset_of(d, range.at("end")),
                      s.snippet_command_);
}

json Server::tokens(Server& s, const Document& d, const json& params, std::string_view method) {
  std::vector<std::uint32_t> data = semantic_tokens(d);
  SentTokens& sent = s.tokens_[d.uri];
  json result = {{"resultId", std::to_string(++s.tokens_sent_)}};
  if (method.ends_with("/delta") && params.value("previousResultId", "") == sent.id)
    result["edits"] = semantic_tokens_edits(sent.data, data);
  else
    result["data"] = data;
  sent = {result["resultId"], std::move(data)};
  return result;
}

json Server::preview_of(Server& s, const Document& d, const json& params, std::string_view) {
  const Unit* u = s.workspace_.main_unit(d);
  if (!u) throw RpcError(error_code::invalid_params, "no scenario description is open at this URI");
  auto metres = [&](const char* key) -> std::optional<double> {
    if (!params.contains(key) || params.at(key).is_null()) return std::nullopt;
    return params.at(key).get<double>() * 1000.0;
  };
  const Preview p = preview(*u, metres("fromKm"), metres("toKm"));
  json result = {{"line", sibling_uri(d.uri, file_name(u->line_path))}};
  if (!u->train_path.empty()) result["train"] = sibling_uri(d.uri, file_name(u->train_path));
  if (p.svg.empty()) result["problem"] = protocol_text(p.why);
  else result["svg"] = p.svg;
  return result;
}

void Server::notification(const std::string& method, const json& params) {
  if (method == "initialized") {
    if (watch_files_) watch_partners();
  } else if (method == "workspace/didChangeWatchedFiles") {
    disk_changed(params.at("changes"));
  } else if (method == "textDocument/didOpen") {
    const json& td = params.at("textDocument");
    const Document& d = workspace_.open(td.at("uri").get<std::string>(),
                                        td.at("text").get_ref<const std::string&>(),
                                        td.value("version", std::int64_t{0}));
    publish_related(d);
  } else if (method == "textDocument/didChange") {
    const json& td = params.at("textDocument");
    const std::string uri = td.at("uri").get<std::string>();
    const std::int64_t version = td.value("version", std::int64_t{0});
    Document* d = nullptr;
    for (const json& c : params.at("contentChanges")) {
      std::optional<std::pair<Position, Position>> range;
      if (c.contains("range")) {
        const json& r = c.at("range");
        range = {{r.at("start").at("line").get<std::size_t>(), r.at("start").at("character").get<std::size_t>()},
                 {r.at("end").at("line").get<std::size_t>(), r.at("end").at("character").get<std::size_t>()}};
      }
      d = workspace_.change(uri, range, c.at("text").get_ref<const std::string&>(), version);
      if (!d) return;
    }
    if (d) publish_related(*d);
  } else if (method == "textDocument/didSave") {
    if (const Document* d = workspace_.find(params.at("textDocument").at("uri").get<std::string>()))
      publish_related(*d);
  } else if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const Document* d = workspace_.find(uri);
    if (!d) return;
    const Document closed = *d;
    workspace_.close(uri);
    tokens_.erase(uri);
    notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
    // Its partners compile from the disk now.
    for (Document* o : workspace_.related(closed))
      if (o->uri != uri) publish(*o);
    workspace_.forget_unused();
  }
  // Anything else ($/cancelRequest, $/setTrace, configuration, ...) needs
  // nothing from this server.
}

void Server::publish_related(const Document& d) {
  for (Document* o : workspace_.related(d)) publish(*o);
  workspace_.forget_unused();
}

void Server::publish(const Document& d) {
  if (!d.file) return;
  notify("textDocument/publishDiagnostics",
         {{"uri", d.uri}, {"version", d.version}, {"diagnostics", published_diagnostics(workspace_, d)}});
}

int serve(ByteSource& in, ByteSink& out, Disk& disk) {
  Server server(out, disk);
  MessageReader reader(in);
  for (;;) {
    Incoming m = reader.next();
    switch (m.kind) {
      case Incoming::Kind::end: return server.status_at_end();
      case Incoming::Kind::malformed: server.malformed(m.error); break;
      case Incoming::Kind::message:
        if (const std::optional<int> status = server.receive(m.body)) return *status;
        break;
    }
  }
}

}  // namespace lsp
