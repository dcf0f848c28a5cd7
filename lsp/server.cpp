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

constexpr int severity_error = 1, severity_warning = 2, severity_information = 3;

const std::string& text_path(const Unit& u, scenario::Text t) {
  if (t == scenario::Text::linea) return u.line_path;
  if (t == scenario::Text::treno) return u.train_path;
  // A place in neither text: shown on the train text, or the line alone.
  return u.train_path.empty() ? u.line_path : u.train_path;
}

const std::string* text_bytes(const Unit& u, const std::string& path) {
  return (path == u.line_path ? u.line_bytes : u.train_bytes).get();
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

json Server::request(const std::string& method, const json& params) {
  if (method == "initialize") return initialize(params);
  if (method == "shutdown") {
    shut_down_ = true;
    return nullptr;
  }
  auto document = [&]() -> const Document* {
    return workspace_.find(params.at("textDocument").at("uri").get<std::string>());
  };
  auto offset = [&](const Document& d, const json& p) {
    return LineIndex(d.bytes).offset(
        {p.at("line").get<std::size_t>(), p.at("character").get<std::size_t>()});
  };
  if (method == "textDocument/hover") {
    const Document* d = document();
    if (!d) return nullptr;
    const std::size_t at = offset(*d, params.at("position"));
    json h = hover(*d, workspace_.main_unit(*d), at);
    return h.is_null() ? hover_outside_rows(workspace_, *d, at) : h;
  }
  if (method == "textDocument/inlayHint") {
    const Document* d = document();
    if (!d) return json::array();
    const json& range = params.at("range");
    return inlay_hints(*d, workspace_.main_unit(*d), offset(*d, range.at("start")),
                       offset(*d, range.at("end")));
  }
  if (method == "textDocument/documentSymbol") {
    const Document* d = document();
    if (!d) return json::array();
    return document_symbols(*d, workspace_.main_unit(*d));
  }
  if (method == "textDocument/completion") {
    const Document* d = document();
    if (!d) return nullptr;
    return completion(*d, offset(*d, params.at("position")), snippets_);
  }
  if (method == "textDocument/signatureHelp") {
    const Document* d = document();
    if (!d) return nullptr;
    return signature_help(*d, offset(*d, params.at("position")));
  }
  if (method == "textDocument/codeAction") {
    const Document* d = document();
    if (!d) return json::array();
    const json& only = params.at("context").value("only", json::array());
    if (!only.empty() && std::find(only.begin(), only.end(), "quickfix") == only.end()) return json::array();
    const json& range = params.at("range");
    return code_actions(workspace_, *d, offset(*d, range.at("start")), offset(*d, range.at("end")),
                        snippet_command_);
  }
  if (method == "textDocument/semanticTokens/full" || method == "textDocument/semanticTokens/full/delta") {
    const Document* d = document();
    if (!d) return {{"data", json::array()}};
    std::vector<std::uint32_t> data = semantic_tokens(*d);
    SentTokens& sent = tokens_[d->uri];
    json result = {{"resultId", std::to_string(++tokens_sent_)}};
    if (method.ends_with("/delta") && params.value("previousResultId", "") == sent.id)
      result["edits"] = semantic_tokens_edits(sent.data, data);
    else
      result["data"] = data;
    sent = {result["resultId"], std::move(data)};
    return result;
  }
  if (method == "textDocument/formatting") {
    const Document* d = document();
    if (!d) return json::array();
    return format_rows(*d, 0, d->bytes.size() + 1);
  }
  if (method == "textDocument/rangeFormatting") {
    const Document* d = document();
    if (!d) return json::array();
    const json& range = params.at("range");
    return format_rows(*d, offset(*d, range.at("start")), offset(*d, range.at("end")));
  }
  if (method == "textDocument/foldingRange") {
    const Document* d = document();
    if (!d) return json::array();
    return folding_ranges(*d);
  }
  if (method == "scenarioc/preview") {
    const Document* d = document();
    const Unit* u = d ? workspace_.main_unit(*d) : nullptr;
    if (!u) throw RpcError(error_code::invalid_params, "no scenario description is open at this URI");
    auto metres = [&](const char* key) -> std::optional<double> {
      if (!params.contains(key) || params.at(key).is_null()) return std::nullopt;
      return params.at(key).get<double>() * 1000.0;
    };
    const Preview p = preview(*u, metres("fromKm"), metres("toKm"));
    json result = {{"line", sibling_uri(d->uri, file_name(u->line_path))}};
    if (!u->train_path.empty()) result["train"] = sibling_uri(d->uri, file_name(u->train_path));
    if (p.svg.empty()) result["problem"] = protocol_text(p.why);
    else result["svg"] = p.svg;
    return result;
  }
  throw RpcError(error_code::method_not_found, "no method " + method);
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
  // Other texts the editor may send (any *.txt) are none of this server's
  // business: nothing is said about them.
  if (!d.file) return;
  json list = json::array();
  const LineIndex own(d.bytes);
  // What belongs to no place of this text stands on its first line: an
  // empty range at 0:0 is drawn by no editor.
  const json first_line = range_json(own, 0, own.line(0).size());
  std::set<std::tuple<std::string, std::size_t, std::size_t, std::string, std::string>> seen;
  // One index per text, however many diagnostics it holds.
  std::map<const std::string*, LineIndex> indexes;
  auto index_of = [&](const std::string* bytes) -> const LineIndex& {
    static const std::string none;
    const std::string& text = bytes ? *bytes : none;
    return indexes.try_emplace(&text, text).first->second;
  };

  for (const Unit* u : workspace_.units(d)) {
    for (const scenario::Diagnostic& g : u->diagnostics) {
      const std::string& path = text_path(*u, g.at.text);
      const std::string* bytes = text_bytes(*u, path);
      const std::string_view text = bytes ? std::string_view(*bytes) : std::string_view();
      const bool here = path == d.path;
      const Document* there = here ? &d : workspace_.open_at(path);
      // An open partner shows its own; a closed one's errors come here.
      if (!here && (there || g.severity != scenario::Severity::error)) continue;

      std::size_t from = 0, length = 0;
      if (g.at.offset != scenario::TextSpan::npos) {
        from = std::min(g.at.offset, text.size());
        length = g.at.length != 0 ? g.at.length : field_length(text, from);
        length = std::min(length, text.size() - from);
      }
      if (!seen.insert({path, from, length, g.code, g.message}).second) continue;

      const LineIndex& index = index_of(bytes);
      const std::string target_uri = there ? there->uri : sibling_uri(d.uri, file_name(path));
      json item = {{"severity", g.severity == scenario::Severity::error ? severity_error : severity_warning},
                   {"code", g.code},
                   {"source", "scenarioc"}};
      std::string message = protocol_text(g.message);
      // A scenario error says its number, as scenarioc's text does.
      if (g.code.rfind("error-", 0) == 0 && message.rfind("error ", 0) != 0)
        message = "error " + g.code.substr(6) + ": " + message;
      json related = json::array();
      for (const scenario::DiagnosticNote& n : g.notes) {
        if (n.at.offset == scenario::TextSpan::npos) {
          message += "\n" + protocol_text(n.message);
          continue;
        }
        const std::string& note_path = text_path(*u, n.at.text);
        const std::string* note_bytes = text_bytes(*u, note_path);
        const std::string_view nt = note_bytes ? std::string_view(*note_bytes) : std::string_view();
        const std::size_t nf = std::min(n.at.offset, nt.size());
        const std::size_t nl = std::min(n.at.length ? n.at.length : field_length(nt, nf), nt.size() - nf);
        const Document* note_doc = workspace_.open_at(note_path);
        related.push_back(
            {{"location",
              {{"uri", note_doc ? note_doc->uri : sibling_uri(d.uri, file_name(note_path))},
               {"range", range_json(index_of(note_bytes), nf, nf + nl)}}},
             {"message", protocol_text(n.message)}});
      }
      if (here) {
        item["range"] = g.at.offset == scenario::TextSpan::npos || (from == 0 && length == 0)
                            ? first_line
                            : range_json(own, from, from + length);
      } else if (!bytes) {
        // A partner that is not there (no line text beside a train text).
        message = std::string(file_name(path)) + ": " + message;
        item["range"] = first_line;
      } else {
        // Shown at the top of this text, and pointing at its place.
        const Position p = index.position(from);
        message = std::string(file_name(path)) + ":" + std::to_string(p.line + 1) + ":" +
                  std::to_string(p.character + 1) + ": " + message;
        item["range"] = first_line;
        related.insert(related.begin(),
                       json::object({{"location", {{"uri", target_uri},
                                                   {"range", range_json(index, from, from + length)}}},
                                     {"message", "the error is here"}}));
      }
      item["message"] = message;
      if (!related.empty()) item["relatedInformation"] = std::move(related);
      list.push_back(std::move(item));
    }
  }
  // The codes the limit cut short in this text, each summed up in one note.
  std::set<std::string> summed;
  for (const Unit* u : workspace_.units(d)) {
    for (const scenario::DiagnosticTally* t : u->model.diagnostic_limit.omitted()) {
      const std::string& path = text_path(*u, t->text);
      if (path != d.path || !summed.insert(t->code).second) continue;
      const std::size_t at = std::min(t->first_omitted.offset, d.bytes.size());
      list.push_back({{"severity", severity_information},
                      {"code", t->code},
                      {"source", "scenarioc"},
                      {"range", range_json(own, at, at)},
                      {"message", scenario::omitted_summary(*t)}});
    }
  }
  // One warning per row that holds characters without a Windows-1252 form,
  // however many: a text of nothing else must not make a message each.
  std::size_t rows = 0, rows_left_out = 0, first_left_out = 0;
  std::size_t row_line = 0, row_from = 0, row_to = 0, row_count = 0;
  auto row_done = [&] {
    if (row_count == 0) return;
    if (workspace_.diagnostic_limit() != 0 && rows >= workspace_.diagnostic_limit()) {
      if (rows_left_out++ == 0) first_left_out = row_from;
    } else {
      ++rows;
      list.push_back({{"severity", severity_warning},
                      {"code", "not-windows-1252"},
                      {"source", "scenarioc"},
                      {"range", range_json(own, row_from, row_to)},
                      {"message", row_count == 1
                                      ? "this character has no place in Windows-1252, the code page of "
                                        "the description texts: it is compiled as '?'"
                                      : "characters here have no place in Windows-1252, the code page of "
                                        "the description texts: each is compiled as '?'"}});
    }
    row_count = 0;
  };
  d.unmapped.runs([&](std::size_t first, std::size_t length) {
    const std::size_t line = own.position(first).line;
    if (row_count > 0 && line != row_line) row_done();
    if (row_count == 0) {
      row_line = line;
      row_from = first;
    }
    row_to = first + length;
    row_count += length;
  });
  row_done();
  if (rows_left_out > 0) {
    scenario::DiagnosticTally t;
    t.code = "not-windows-1252";
    t.omitted = rows_left_out;
    list.push_back({{"severity", severity_information},
                    {"code", t.code},
                    {"source", "scenarioc"},
                    {"range", range_json(own, first_left_out, first_left_out)},
                    {"message", scenario::omitted_summary(t) + " (rows with such characters)"}});
  }
  notify("textDocument/publishDiagnostics",
         {{"uri", d.uri}, {"version", d.version}, {"diagnostics", std::move(list)}});
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
