// scenarioc lsp run as a process, as an editor runs it: a whole session is
// written to its standard input and every message it sends back is read
// from its standard output. Diagnostics come and go with the mistakes, land
// on the field at fault, follow the scenario's pairs; hover, inlay hints,
// the outline and completion describe the embedded scenario; damaged input
// is answered and the server reads on; shutdown and exit give the status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "rows/records.h"
#include "format/byte_buffer.h"
#include "format/compiled_files.h"
#include "lsp/workspace.h"
#include "model/file_names.h"
#include "platform/platform.h"
#include "text/scenario_texts.h"
#include "text/text_writer.h"
#include "compiled_in_memory.h"
#include "large_scenario.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::TempDir;
using testing_support::write_bytes;

// The server beside the test program. A Windows build under an emulator
// knows its own folder, not the build machine's path of the program.
std::string scenarioc_exe() {
#if defined(_WIN32)
  return platform::join_path(platform::program_directory(), "scenarioc.exe");
#else
  return SCENARIOC_EXE;
#endif
}

std::string frame(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string uri_of(const fs::path& p) {
  std::string s = p.generic_string();
  std::string uri = s.size() > 1 && s[1] == ':' ? "file:///" : "file://";
  for (char c : s) {
    if (c == ' ') uri += "%20";
    else uri += c;
  }
  return uri;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  const std::size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

// The 0-based line of the first occurrence of `what`.
std::size_t line_of(const std::string& text, const std::string& what) {
  const std::size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  return static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

json position(std::size_t line, std::size_t character) {
  return {{"line", line}, {"character", character}};
}

class Session {
 public:
  // A request; returns its id.
  int request(const std::string& method, json params = json::object()) {
    input_ += frame(json{{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", params}}.dump());
    return id_;
  }
  void notify(const std::string& method, json params = json::object()) {
    input_ += frame(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
  }
  void raw(const std::string& bytes) { input_ += bytes; }

  int initialize(json capabilities = json::object()) {
    const int id = request("initialize", {{"processId", nullptr}, {"capabilities", capabilities}});
    notify("initialized");
    return id;
  }
  void open(const std::string& uri, const std::string& text, int version = 1) {
    notify("textDocument/didOpen",
           {{"textDocument", {{"uri", uri}, {"languageId", "plaintext"}, {"version", version}, {"text", text}}}});
  }
  void change(const std::string& uri, const std::string& text, int version) {
    notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                      {"contentChanges", json::array({{{"text", text}}})}});
  }
  void close(const std::string& uri) {
    notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
  }
  void end() {
    request("shutdown");
    notify("exit");
  }

  struct Transcript {
    int status = -1;
    std::vector<json> messages;

    json response(int id) const {
      for (const json& m : messages)
        if (m.contains("id") && m["id"] == id && !m.contains("method")) return m;
      ADD_FAILURE() << "no response to request " << id;
      return json::object();
    }
    json result(int id) const { return response(id).value("result", json()); }
    // Every list of diagnostics published for `uri`, in order.
    std::vector<json> diagnostics(const std::string& uri) const {
      std::vector<json> out;
      for (const json& m : messages)
        if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
          out.push_back(m["params"]["diagnostics"]);
      return out;
    }
  };

  Transcript run() const {
    TempDir io;
    write_bytes(io / "in", input_);
    Transcript t;
    t.status = run_command("\"" + scenarioc_exe() + "\" lsp < \"" + (io / "in").string() +
                           "\" > \"" + (io / "out").string() + "\"");
    const std::string out = read_bytes(io / "out");
    std::size_t pos = 0;
    while (pos < out.size()) {
      const std::size_t blank = out.find("\r\n\r\n", pos);
      if (blank == std::string::npos) {
        ADD_FAILURE() << "unframed output: " << out.substr(pos, 200);
        break;
      }
      const std::string header = out.substr(pos, blank - pos);
      EXPECT_EQ(header.rfind("Content-Length: ", 0), 0u) << header;
      const std::size_t length = std::stoul(header.substr(header.find(':') + 1));
      t.messages.push_back(json::parse(out.substr(blank + 4, length)));
      pos = blank + 4 + length;
    }
    return t;
  }

 private:
  std::string input_;
  int id_ = 0;
};

// A folder with the embedded scenario's two texts as scenario Prova,
// train 7.
class LspServer : public ::testing::Test {
 protected:
  void SetUp() override {
    write_bytes(dir / nomi.linea_txt(), line);
    write_bytes(dir / nomi.treno_txt(), train);
  }

  TempDir dir;
  const scenario::FileNames nomi{"Prova", "7"};
  const std::string line = scenario::joined_lines(scenario::righe_linea());
  const std::string train = scenario::joined_lines(scenario::righe_treno());
  const std::string line_uri = uri_of(dir / nomi.linea_txt());
  const std::string train_uri = uri_of(dir / nomi.treno_txt());
};

TEST_F(LspServer, AMistakeIsShownAtItsFieldUntilItIsFixed) {
  // The second signal moved onto the first one's cell: error 16, placed on
  // its row. A gradient that is no number: error 25, on that very field.
  const std::string clash = replaced(train, "segnale,    4200,", "segnale,    1650,");
  const std::string bad_number = replaced(line, "pendenza,  7100,   4", "pendenza,  7100,   4x");

  Session s;
  s.initialize();
  s.open(train_uri, clash);
  s.change(train_uri, train, 2);
  s.notify("textDocument/didSave", {{"textDocument", {{"uri", train_uri}}}});
  s.open(line_uri, bad_number);
  s.change(line_uri, line, 2);
  s.close(train_uri);
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);

  // Open, change, save, the line text opened and changed, closed.
  const std::vector<json> on_train = t.diagnostics(train_uri);
  ASSERT_EQ(on_train.size(), 6u);
  ASSERT_EQ(on_train[0].size(), 1u) << on_train[0].dump();
  const json& d = on_train[0][0];
  EXPECT_EQ(d["code"], "error-16");
  EXPECT_EQ(d["severity"], 1);
  const std::size_t row = line_of(clash, "segnale,    1650,   2, 4");
  EXPECT_EQ(d["range"]["start"]["line"], row);
  EXPECT_EQ(d["range"]["end"]["line"], row);
  EXPECT_NE(d["message"].get<std::string>().find("1650"), std::string::npos) << d.dump();
  EXPECT_EQ(on_train[1], json::array());  // fixed
  EXPECT_EQ(on_train[2], json::array());  // saved
  // The line's mistake belongs to the line text, open beside it.
  EXPECT_EQ(on_train[3], json::array());
  EXPECT_EQ(on_train.back(), json::array());  // closed

  const std::vector<json> on_line = t.diagnostics(line_uri);
  ASSERT_GE(on_line.size(), 2u);
  ASSERT_EQ(on_line[0].size(), 1u) << on_line[0].dump();
  const json& n = on_line[0][0];
  EXPECT_EQ(n["code"], "error-25");
  const std::size_t gradient = line_of(bad_number, "pendenza,  7100,");
  const std::size_t column = bad_number.find("4x") - bad_number.rfind('\n', bad_number.find("4x")) - 1;
  EXPECT_EQ(n["range"], json({{"start", position(gradient, column)}, {"end", position(gradient, column + 2)}}));
  EXPECT_EQ(on_line.back(), json::array());
}

TEST_F(LspServer, AnErrorInAPartnerNotOpenIsToldWhereItLies) {
  // Only the train text is open; its line text on disk has the mistake.
  const std::string bad = replaced(line, "pendenza,  7100,   4", "pendenza,  7100,   4x");
  write_bytes(dir / nomi.linea_txt(), bad);
  Session s;
  s.initialize();
  s.open(train_uri, train);
  s.end();
  const Session::Transcript t = s.run();
  const std::vector<json> on_train = t.diagnostics(train_uri);
  ASSERT_EQ(on_train.size(), 1u);
  ASSERT_EQ(on_train[0].size(), 1u) << on_train[0].dump();
  const json& d = on_train[0][0];
  EXPECT_EQ(d["code"], "error-25");
  // On the whole first line: an empty range at 0:0 is drawn by no editor.
  EXPECT_EQ(d["range"], json({{"start", position(0, 0)}, {"end", position(0, 10)}}));
  const std::size_t gradient = line_of(bad, "pendenza,  7100,");
  EXPECT_EQ(d["message"].get<std::string>().rfind("Prova_linea.txt:" + std::to_string(gradient + 1) + ":", 0), 0u)
      << d.dump();
  EXPECT_EQ(d["relatedInformation"][0]["location"]["uri"], line_uri);
  EXPECT_EQ(d["relatedInformation"][0]["location"]["range"]["start"]["line"], gradient);
  // No diagnostics are published for a text the editor has not opened.
  EXPECT_TRUE(t.diagnostics(line_uri).empty());

  // A train text with no line text beside it.
  TempDir alone;
  write_bytes(alone / "Solo_3-.txt", train);
  Session a;
  a.initialize();
  a.open(uri_of(alone / "Solo_3-.txt"), train);
  a.end();
  const std::vector<json> solo = a.run().diagnostics(uri_of(alone / "Solo_3-.txt"));
  ASSERT_EQ(solo.size(), 1u);
  ASSERT_EQ(solo[0].size(), 1u) << solo[0].dump();
  EXPECT_EQ(solo[0][0].at("code"), "error-101");
  EXPECT_EQ(solo[0][0].at("message").get<std::string>().rfind("Solo_linea.txt: error 101", 0), 0u)
      << solo[0].dump();
  EXPECT_FALSE(solo[0][0].contains("relatedInformation"));
  EXPECT_EQ(solo[0][0]["range"], json({{"start", position(0, 0)}, {"end", position(0, 10)}}));
}

TEST_F(LspServer, ALineTextCompilesWithEveryTrainTextOfItsScenario) {
  // Train 8 has the clash, train 7 is sound, train 1 of another scenario is
  // broken beyond reading and must play no part.
  write_bytes(dir / "Prova_8-.txt", replaced(train, "segnale,    4200,", "segnale,    1650,"));
  write_bytes(dir / "Altro_1-.txt", "[generale]\r\nvetture, x\r\n[fine]\r\n");
  Session s;
  s.initialize();
  s.open(line_uri, line);
  s.end();
  const Session::Transcript t = s.run();
  const std::vector<json> on_line = t.diagnostics(line_uri);
  ASSERT_EQ(on_line.size(), 1u);
  ASSERT_EQ(on_line[0].size(), 1u) << on_line[0].dump();
  EXPECT_EQ(on_line[0][0]["code"], "error-16");
  EXPECT_EQ(on_line[0][0]["relatedInformation"][0]["location"]["uri"], uri_of(dir / "Prova_8-.txt"));

  // Alone, a line text compiles as far as the line goes.
  TempDir alone;
  write_bytes(alone / "Solo_linea.txt", replaced(line, "pendenza,  81000,   0", "pendenza,  99000,   0"));
  Session a;
  a.initialize();
  a.open(uri_of(alone / "Solo_linea.txt"), read_bytes(alone / "Solo_linea.txt"));
  a.end();
  const std::vector<json> solo = a.run().diagnostics(uri_of(alone / "Solo_linea.txt"));
  ASSERT_EQ(solo.size(), 1u);
  ASSERT_EQ(solo[0].size(), 1u) << solo[0].dump();
  EXPECT_EQ(solo[0][0]["code"], "error-15");
}

// A row the compiler refused stored nothing worth showing: hover and hint
// say it was refused and why, and show no stretch or timetable of its own.
TEST_F(LspServer, ARefusedRowIsShownAsRefused) {
  const std::string refused = replaced(train, "stazione,    3000, 11,", "stazione,    3010, 11,");
  const std::size_t station = line_of(refused, "BIVIO CERSA");
  Session s;
  s.initialize();
  s.open(train_uri, refused);
  const int hover = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                     {"position", position(station, 2)}});
  const int hints = s.request("textDocument/inlayHint",
                              {{"textDocument", {{"uri", train_uri}}},
                               {"range", {{"start", position(0, 0)}, {"end", position(9999, 0)}}}});
  s.end();
  const Session::Transcript t = s.run();
  const std::string text = t.result(hover)["contents"]["value"];
  EXPECT_NE(text.find("**Refused** by the compiler (error 8): station position is not a multiple"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("Stretch"), std::string::npos) << text;
  EXPECT_EQ(text.find("; timetable"), std::string::npos) << text;
  EXPECT_EQ(text.find("- cell"), std::string::npos) << text;
  std::string label;
  for (const json& x : t.result(hints))
    if (x["position"]["line"] == station) label = x["label"];
  EXPECT_EQ(label, "→ refused (error 8)");
}

// A timed station's hover shows the stretch that ends there, as `scenarioc
// timetable` prints it.
TEST_F(LspServer, AStationsHoverShowsItsStretch) {
  const std::size_t station = line_of(train, "VEDONA CENTRALE");
  Session s;
  s.initialize();
  s.open(train_uri, train);
  const int hover = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                     {"position", position(station, 2)}});
  s.end();
  const std::string text = s.run().result(hover)["contents"]["value"];
  EXPECT_NE(text.find("From VALDORA: 83000 m in 48:00 (min:s), least 38:07 at the train's limits, "
                      "margin 9:53."),
            std::string::npos)
      << text;
}

// The points the post-processing placed for a slowdown show on its hover,
// as the compiled model records them.
TEST_F(LspServer, ASlowdownsHoverShowsThePointsPlacedForIt) {
  const std::string slowed = replaced(train, "[rallentamenti]\r\n",
                                      "[rallentamenti]\r\nrallentamento,   20000,  60,  500,  0, 0, 0\r\n");
  const std::size_t row = line_of(slowed, "rallentamento,   20000");
  Session s;
  s.initialize();
  s.open(train_uri, slowed);
  const int hover = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                     {"position", position(row, 2)}});
  s.end();
  const std::string text = s.run().result(hover)["contents"]["value"];
  EXPECT_NE(text.find("cells 401 to 411"), std::string::npos) << text;
  EXPECT_NE(text.find("cell 401 (start"), std::string::npos) << text;
  EXPECT_NE(text.find("Added by the compiler:\n- cell "), std::string::npos) << text;
  EXPECT_NE(text.find(": abbattimento point, value "), std::string::npos) << text;
}

TEST_F(LspServer, HoverHintsAndOutlineDescribeTheEmbeddedScenario) {
  Session s;
  s.initialize();
  s.open(train_uri, train);
  const std::size_t signal = line_of(train, "segnale,    1650,");
  const std::size_t station = line_of(train, "VALDORA");
  const int on_position = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                            {"position", position(signal, 13)}});
  const int on_name = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                        {"position", position(station, 75)}});
  const int on_header = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                          {"position", position(0, 2)}});
  const int hints = s.request("textDocument/inlayHint",
                              {{"textDocument", {{"uri", train_uri}}},
                               {"range", {{"start", position(0, 0)}, {"end", position(9999, 0)}}}});
  const int symbols = s.request("textDocument/documentSymbol", {{"textDocument", {{"uri", train_uri}}}});
  s.end();
  const Session::Transcript t = s.run();

  // The signal at 1650 m is in cell 34 (1650 to 1700 m): its codes, and the
  // approach marks two to eight cells before it.
  const json h = t.result(on_position);
  const std::string text = h["contents"]["value"];
  EXPECT_NE(text.find("**segnale**"), std::string::npos) << text;
  EXPECT_NE(text.find("`position`"), std::string::npos) << text;
  EXPECT_NE(text.find("1.65 km"), std::string::npos) << text;
  EXPECT_NE(text.find("cell 34 (signal, 1650 to 1700 m): signal"), std::string::npos) << text;
  EXPECT_NE(text.find("cell 26 (approach mark 4"), std::string::npos) << text;
  EXPECT_EQ(h["range"], json({{"start", position(signal, 12)}, {"end", position(signal, 16)}}));

  const std::string name = t.result(on_name)["contents"]["value"];
  EXPECT_NE(name.find("`NAME`"), std::string::npos) << name;
  EXPECT_NE(name.find("stop cell of station VALDORA"), std::string::npos) << name;
  // On the header: what the section holds and which rows follow it.
  const std::string header = t.result(on_header)["contents"]["value"];
  EXPECT_NE(header.find("the train description begins here"), std::string::npos) << header;
  EXPECT_NE(header.find("`segnale`"), std::string::npos) << header;
  EXPECT_NE(header.find("The rows up to the next header:\n\n- 1 × "), std::string::npos) << header;

  // One hint at the end of each row that lands on the track.
  const json all = t.result(hints);
  const std::string signal_line = train.substr(train.find("segnale,    1650,"));
  const std::size_t signal_end = signal_line.find('\r');
  const auto hint_on = [&](std::size_t at) {
    for (const json& x : all)
      if (x["position"]["line"] == at) return x;
    return json();
  };
  EXPECT_EQ(hint_on(signal), json({{"position", position(signal, signal_end)},
                                   {"label", "→ cell 34 · 1.65 km"},
                                   {"paddingLeft", true}}));
  EXPECT_EQ(hint_on(station)["label"], "→ stop cell 13 · 0.00 km");
  EXPECT_EQ(hint_on(line_of(train, "velocita,    3000,"))["label"], "→ from cell 60 · 3.00 km");
  EXPECT_TRUE(hint_on(line_of(train, "numero vetture")).is_null());

  // The sections in order, the stations by name, the signals.
  const json outline = t.result(symbols);
  std::vector<std::string> sections;
  for (const json& x : outline) sections.push_back(x["name"]);
  EXPECT_EQ(sections, (std::vector<std::string>{"[generale]", "[aderenze]", "[vel_limite]", "[stazioni]",
                                                "[rallentamenti]", "[segnali]", "[codici]", "[fine]"}));
  const json& stations = outline[3]["children"];
  EXPECT_EQ(stations.size(), static_cast<std::size_t>(std::count_if(
                                 scenario::righe_treno().begin(), scenario::righe_treno().end(),
                                 [](std::string_view r) { return r.starts_with("stazione,"); })));
  EXPECT_EQ(stations.front()["name"], "VALDORA");
  EXPECT_EQ(stations.back()["name"], "VEDONA CENTRALE");
  const json& signals = outline[5]["children"];
  EXPECT_EQ(signals.size(), static_cast<std::size_t>(std::count_if(
                                scenario::righe_treno().begin(), scenario::righe_treno().end(),
                                [](std::string_view r) { return r.starts_with("segnale,"); })));
  EXPECT_EQ(signals[0]["name"], "signal 1.65 km");
  EXPECT_EQ(signals[0]["range"]["start"]["line"], signal);
}

TEST_F(LspServer, CompletionOffersTheRecordsThatMayStandThere) {
  const std::string with_blank = replaced(train, "[segnali]\r\n", "[segnali]\r\n  seg\r\n");
  const std::size_t blank = line_of(with_blank, "  seg");
  Session s;
  s.initialize({{"textDocument", {{"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}});
  s.open(train_uri, with_blank);
  s.open(line_uri, line);
  const int keyword = s.request("textDocument/completion",
                                {{"textDocument", {{"uri", train_uri}}}, {"position", position(blank, 5)}});
  const int in_values = s.request("textDocument/completion", {{"textDocument", {{"uri", train_uri}}},
                                                               {"position", position(blank + 1, 12)}});
  const int general = s.request("textDocument/completion",
                                {{"textDocument", {{"uri", line_uri}}}, {"position", position(2, 0)}});
  const int body = s.request("textDocument/completion", {{"textDocument", {{"uri", line_uri}}},
                                                          {"position", position(line_of(line, "[pendenze]"), 0)}});
  s.end();
  const Session::Transcript t = s.run();

  const json items = t.result(keyword)["items"];
  const auto item = [&](const json& list, const std::string& label) {
    for (const json& i : list)
      if (i["label"] == label) return i;
    return json();
  };
  const json signal = item(items, "segnale");
  ASSERT_FALSE(signal.is_null()) << items.dump();
  EXPECT_EQ(signal["insertTextFormat"], 2);
  EXPECT_EQ(signal["textEdit"]["newText"],
            "segnale, ${1:position}, ${2:sx}, ${3:s1}, ${4:s2}, ${5:s3}, ${6:rapp}, ${7:dx}, ${8:d1}, "
            "${9:d2}, ${10:d3}, ${11:tempo}");
  // It replaces what was typed, after the indentation.
  EXPECT_EQ(signal["textEdit"]["range"], json({{"start", position(blank, 2)}, {"end", position(blank, 5)}}));
  EXPECT_TRUE(item(items, "pendenza").is_null());  // a line record
  EXPECT_TRUE(t.result(in_values)["items"].empty());

  std::vector<std::string> in_general, in_body;
  const json general_items = t.result(general)["items"], body_items = t.result(body)["items"];
  for (const json& i : general_items) in_general.push_back(i["label"]);
  for (const json& i : body_items) in_body.push_back(i["label"]);
  EXPECT_NE(std::find(in_general.begin(), in_general.end(), "lunghezza percorso"), in_general.end());
  EXPECT_EQ(std::find(in_general.begin(), in_general.end(), "pendenza"), in_general.end());
  EXPECT_NE(std::find(in_body.begin(), in_body.end(), "pendenza"), in_body.end());
  EXPECT_EQ(item(body_items, "curvad3")["textEdit"]["newText"],
            "curva${1|d,s|}${2|1,2,3,4,5,6|}, ${3:start}, ${4:length}");
}

// "[" is a trigger character: it offers the section headers of the text
// being edited, and only those.
TEST_F(LspServer, ABracketCompletesTheTextsSectionHeaders) {
  const std::string with_bracket = replaced(train, "[codici]\r\n", "[codici]\r\n[\r\n");
  const std::size_t bracket = line_of(with_bracket, "[codici]") + 1;
  const std::string line_bracket = replaced(line, "[montagne]\r\n", "[montagne]\r\n  [mo\r\n");
  const std::size_t in_line = line_of(line_bracket, "[montagne]") + 1;
  Session s;
  s.initialize();
  s.open(train_uri, with_bracket);
  s.open(line_uri, line_bracket);
  const int train_headers = s.request("textDocument/completion",
                                      {{"textDocument", {{"uri", train_uri}}}, {"position", position(bracket, 1)}});
  const int line_headers = s.request("textDocument/completion",
                                     {{"textDocument", {{"uri", line_uri}}}, {"position", position(in_line, 5)}});
  s.end();
  const Session::Transcript t = s.run();
  std::vector<std::string> labels;
  const json train_items = t.result(train_headers)["items"];
  for (const json& i : train_items) labels.push_back(i["label"]);
  EXPECT_EQ(labels, (std::vector<std::string>{"[generale]", "[aderenze]", "[vel_limite]", "[stazioni]",
                                              "[rallentamenti]", "[segnali]", "[codici]", "[fine]"}));
  const json line_items = t.result(line_headers)["items"];
  ASSERT_EQ(line_items.size(), 7u) << line_items.dump();
  EXPECT_EQ(line_items[4]["label"], "[cartelli]");
  // The edit replaces what was typed from the bracket on.
  EXPECT_EQ(line_items[3]["textEdit"],
            json({{"range", {{"start", position(in_line, 2)}, {"end", position(in_line, 5)}}}, {"newText", "[montagne]"}}));
}

// The UTF-16 column of byte `at` of a UTF-8 text: every character here is
// one unit but those beyond U+FFFF, which are two.
std::size_t utf16_column(const std::string& text, std::size_t at) {
  std::size_t start = text.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  std::size_t units = 0;
  for (std::size_t i = start; i < at; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

TEST_F(LspServer, UnicodeFromTheEditorLinesUpWithTheWindows1252Text) {
  // "È" is one byte in the text and one UTF-16 unit in the editor; "😀" has
  // no place in Windows-1252 and takes two units. The text board's text runs
  // to the comma, so a gradient with a broken value follows on its line.
  const std::string board = "cartello indicatore, 750, CAFÈ 😀, pendenza, 1000, 3x\r\n";
  const std::string broken = replaced(line, "[indicazioni]", board + "[indicazioni]");
  const std::string fixed = replaced(line, "[indicazioni]", "cartello indicatore, 750, CAFÈ\r\n[indicazioni]");
  const std::string named = replaced(train, "VALDORA", "VALDÈRA");
  Session s;
  s.initialize();
  s.open(train_uri, named);
  s.open(line_uri, broken);
  s.change(line_uri, fixed, 2);
  // Another text beside them is none of the server's business.
  const std::string notes_uri = uri_of(dir / "Prova_7_note.txt");
  s.open(notes_uri, "😀 note\r\n");
  const std::size_t station = line_of(named, "VALDÈRA");
  const int symbols = s.request("textDocument/documentSymbol", {{"textDocument", {{"uri", train_uri}}}});
  const int on_name = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                        {"position", position(station, 78)}});
  const int on_board = s.request("textDocument/hover", {{"textDocument", {{"uri", line_uri}}},
                                                         {"position", position(line_of(fixed, "CAF"), 27)}});
  s.end();
  const Session::Transcript t = s.run();

  const std::vector<json> d = t.diagnostics(line_uri);
  ASSERT_EQ(d.size(), 2u);
  const std::size_t row = line_of(broken, "CAF");
  bool number = false, emoji = false;
  for (const json& x : d[0]) {
    if (x.at("code") == "error-25") {
      number = true;
      const std::size_t column = utf16_column(broken, broken.find("3x"));
      EXPECT_EQ(x.at("range"), json({{"start", position(row, column)}, {"end", position(row, column + 2)}}));
    }
    if (x.at("code") == "not-windows-1252") {
      emoji = true;
      EXPECT_EQ(x.at("severity"), 2);
      // Both halves of the surrogate pair.
      const std::size_t column = utf16_column(broken, broken.find("😀"));
      EXPECT_EQ(x.at("range"), json({{"start", position(row, column)}, {"end", position(row, column + 2)}}));
    }
  }
  EXPECT_TRUE(number && emoji) << d[0].dump();
  EXPECT_EQ(d[1], json::array());
  EXPECT_TRUE(t.diagnostics(notes_uri).empty());

  EXPECT_EQ(t.result(symbols).at(3).at("children").at(0).at("name"), "VALDÈRA");
  const std::string hover = t.result(on_name).at("contents").at("value");
  EXPECT_NE(hover.find("VALDÈRA"), std::string::npos) << hover;
  const std::string board_hover = t.result(on_board).at("contents").at("value");
  EXPECT_NE(board_hover.find("text board \"CAFÈ\""), std::string::npos) << board_hover;
}

TEST_F(LspServer, SectionsFold) {
  Session s;
  s.initialize();
  s.open(train_uri, train);
  const int folds = s.request("textDocument/foldingRange", {{"textDocument", {{"uri", train_uri}}}});
  s.end();
  const json got = s.run().result(folds);
  // Each section from its header to its last row; [rallentamenti], [codici]
  // and [fine] hold none and fold nothing.
  const std::vector<std::pair<std::string, std::string>> sections = {
      {"[generale]", "[aderenze]"}, {"[aderenze]", "[vel_limite]"}, {"[vel_limite]", "[stazioni]"},
      {"[stazioni]", "[rallentamenti]"}, {"[segnali]", "[codici]"}};
  ASSERT_EQ(got.size(), sections.size()) << got.dump();
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const auto& [header, next] = sections[i];
    EXPECT_EQ(got[i], json({{"startLine", line_of(train, header)}, {"endLine", line_of(train, next) - 1},
                            {"kind", "region"}}))
        << header;
  }
}

TEST_F(LspServer, ThePreviewIsTheRenderOfTheUnsavedTexts) {
  // An unsaved station name: the picture must show the buffer, not the disk.
  const std::string renamed = replaced(train, "VALDORA", "VALDORIA");
  const auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::vector<std::string> before = listing();
  Session s;
  s.initialize();
  s.open(train_uri, renamed);
  s.open(line_uri, line);
  const int whole = s.request("scenarioc/preview", {{"textDocument", {{"uri", train_uri}}}});
  const int stretch = s.request("scenarioc/preview", {{"textDocument", {{"uri", train_uri}}}, {"fromKm", 10}, {"toKm", 20}});
  const int from_line = s.request("scenarioc/preview", {{"textDocument", {{"uri", line_uri}}}});
  const int nowhere = s.request("scenarioc/preview", {{"textDocument", {{"uri", uri_of(dir / "x.txt")}}}});
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(listing(), before);  // nothing written

  // What `scenarioc render` draws of the same texts, compiled to files.
  TempDir other;
  write_bytes(other / nomi.linea_txt(), line);
  write_bytes(other / nomi.treno_txt(), renamed);
  const std::string names = " --scenario Prova --train 7 \"" + other.str() + "\"";
  ASSERT_EQ(run_command("\"" + scenarioc_exe() + "\" compile" + names + " 2>&1"), 0);
  ASSERT_EQ(run_command("\"" + scenarioc_exe() + "\" render" + names + " > \"" + (other / "out").string() + "\""), 0);
  ASSERT_EQ(run_command("\"" + scenarioc_exe() + "\" render --from 10 --to 20 --out \"" +
                        (other / "stretch.svg").string() + "\"" + names + " > \"" + (other / "out").string() + "\""),
            0);
  const json w = t.result(whole);
  EXPECT_EQ(w.value("svg", ""), read_bytes(other / "Prova_7.svg"));
  EXPECT_NE(w.value("svg", "").find("VALDORIA"), std::string::npos);
  EXPECT_EQ(w["line"], line_uri);
  EXPECT_EQ(w["train"], train_uri);
  EXPECT_EQ(t.result(stretch).value("svg", ""), read_bytes(other / "stretch.svg"));
  EXPECT_EQ(t.result(from_line)["train"], train_uri);
  EXPECT_EQ(t.response(nowhere)["error"]["code"], -32602);
}

// The byte of a UTF-8 text at a protocol position (UTF-16 units).
std::size_t byte_at(const std::string& text, const json& p) {
  std::size_t at = 0;
  for (std::size_t line = p["line"]; line > 0; --line) at = text.find('\n', at) + 1;
  for (std::size_t units = p["character"]; units > 0 && at < text.size(); ++at) {
    const auto b = static_cast<unsigned char>(text[at]);
    if ((b & 0xC0) != 0x80) units -= b >= 0xF0 && units >= 2 ? 2 : 1;
  }
  while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  return at;
}

// The text with a WorkspaceEdit's edits of `uri` applied, as an editor does.
std::string applied(std::string text, const json& edit, const std::string& uri) {
  std::vector<json> edits(edit["changes"][uri].begin(), edit["changes"][uri].end());
  std::sort(edits.begin(), edits.end(), [&](const json& a, const json& b) {
    return byte_at(text, a["range"]["start"]) > byte_at(text, b["range"]["start"]);
  });
  for (const json& e : edits) {
    const std::size_t from = byte_at(text, e["range"]["start"]), to = byte_at(text, e["range"]["end"]);
    text.replace(from, to - from, e["newText"].get<std::string>());
  }
  return text;
}

TEST_F(LspServer, QuickFixesLeaveTextsCleanOfTheirWarning) {
  const std::string station_row = train.substr(train.find("stazione,"), train.find("VALDORA") - train.find("stazione,"));
  struct Case {
    std::string code;
    std::string broken;
    std::string fixed;  // empty: the fix is the sound text
  };
  const std::vector<Case> cases = {
      {"unknown-keyword", replaced(train, "segnale,    4200,", "segnalle,    4200,"), ""},
      {"extra-values", replaced(train, "sabbia,    300\r\n", "sabbia,    300, 7\r\n"), ""},
      // The name stranded on the next line: joined back onto the row's.
      {"missing-values", replaced(train, station_row + "VALDORA", station_row.substr(0, station_row.size() - 2) + "\r\nVALDORA"),
       ""},
      {"station-name-cut", replaced(train, "VALDORA", "VAL, DORA"), replaced(train, "VALDORA", "\"VAL, DORA\"")},
      // "Ò" saved as UTF-8 and read as Windows-1252: "Ã’" in the editor.
      {"utf-8", replaced(train, "VALDORA", "VALD\u00C3\u2019RA"), replaced(train, "VALDORA", "VALD\u00D2RA")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Session s;
    s.initialize();
    s.open(train_uri, c.broken);
    const int actions = s.request("textDocument/codeAction",
                                  {{"textDocument", {{"uri", train_uri}}},
                                   {"range", {{"start", position(0, 0)}, {"end", position(9999, 0)}}},
                                   {"context", {{"diagnostics", json::array()}}}});
    s.end();
    const Session::Transcript t = s.run();
    const std::vector<json> published = t.diagnostics(train_uri);
    ASSERT_EQ(published.size(), 1u);
    const bool warned = std::any_of(published[0].begin(), published[0].end(),
                                    [&](const json& d) { return d["code"] == c.code; });
    ASSERT_TRUE(warned) << published[0].dump();
    const json list = t.result(actions);
    ASSERT_EQ(list.size(), 1u) << list.dump();
    EXPECT_EQ(list[0]["kind"], "quickfix");
    EXPECT_EQ(list[0]["diagnostics"][0]["code"], c.code);
    const std::string fixed = applied(c.broken, list[0]["edit"], train_uri);
    EXPECT_EQ(fixed, c.fixed.empty() ? train : c.fixed);

    Session again;
    again.initialize();
    again.open(train_uri, fixed);
    again.end();
    const std::vector<json> after = again.run().diagnostics(train_uri);
    ASSERT_EQ(after.size(), 1u);
    for (const json& d : after[0]) EXPECT_NE(d["code"], c.code) << d.dump();
  }
}

// The rule every quick fix keeps: applied, it leaves either the text the
// author meant (compiled, the same bytes) or a text that still carries a
// diagnostic, never a scenario changed in silence. Every action offered on
// each fixture is applied and the result compiled.
TEST_F(LspServer, EveryQuickFixLeavesTheMeantBytesOrADiagnostic) {
  const std::string slowdown = "rallentamento,   20000,   60,   200,  0, 0, 0\r\n";
  const std::string with_slowdown = replaced(train, "segnale,   20300,", slowdown + "segnale,   20300,");
  struct Fixture {
    std::string name;
    bool in_line;       // the line text is the broken one, else the train text
    std::string broken;
    std::string meant;  // the text the author meant
    std::string preferred;  // what the preferred fix gives; empty: none is
  };
  const std::vector<Fixture> fixtures = {
      // A gradient's value stranded on the next line: joined back.
      {"split gradient", true, replaced(line, "pendenza,  36650,   -3", "pendenza,  36650\r\n-3"), line,
       replaced(line, "pendenza,  36650,   -3", "pendenza,  36650, -3")},
      // A slowdown with 5 of its 6 values above a signal: error 25, and
      // the missing one named, for the author to write.
      {"short slowdown", false, replaced(with_slowdown, "  0, 0, 0\r\nsegnale", "  0, 0\r\nsegnale"),
       with_slowdown, ""},
      // The same slowdown before a line that holds no number: error 25 on
      // it, and nothing joined that was never a value.
      {"short slowdown before a word", false,
       replaced(with_slowdown, "  0, 0, 0\r\nsegnale", "  0, 0\r\nzero\r\nsegnale"), with_slowdown, ""},
      // A gradient short of its value at the end of its section.
      {"short gradient", true, replaced(line, "pendenza,  81000,   0", "pendenza,  81000"), line, ""},
      {"misspelt keyword", false, replaced(train, "segnale,    4200,", "segnalle,    4200,"), train, train},
      {"extra values", false, replaced(train, "sabbia,    300\r\n", "sabbia,    300, 7\r\n"), train, train},
      {"cut name", false, replaced(train, "VALDORA", "VAL, DORA"), replaced(train, "VALDORA", "\"VAL, DORA\""),
       replaced(train, "VALDORA", "\"VAL, DORA\"")},
  };
  const auto compiled_bytes = [](const testing_support::Compiled& c) {
    scenario::ByteBuffer route, cells;
    scenario::serialize_route(c.m, route);
    scenario::serialize_cells(c.m, cells);
    return std::string(route.data().begin(), route.data().end()) +
           std::string(cells.data().begin(), cells.data().end());
  };
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.name);
    const std::string& uri = f.in_line ? line_uri : train_uri;
    Session s;
    s.initialize();
    s.open(line_uri, f.in_line ? f.broken : line);
    s.open(train_uri, f.in_line ? train : f.broken);
    const int actions = s.request("textDocument/codeAction",
                                  {{"textDocument", {{"uri", uri}}},
                                   {"range", {{"start", position(0, 0)}, {"end", position(9999, 0)}}},
                                   {"context", {{"diagnostics", json::array()}}}});
    s.end();
    const json list = s.run().result(actions);
    ASSERT_FALSE(list.empty()) << "no fix offered";
    const testing_support::Compiled meant = testing_support::compile_in_memory(
        f.in_line ? f.meant : line, f.in_line ? train : f.meant, testing_support::Place::line);
    ASSERT_TRUE(meant.seen.empty());
    bool preferred_seen = false;
    for (const json& a : list) {
      SCOPED_TRACE(a["title"].get<std::string>());
      // Values are joined only where the reader read them all.
      if (f.name == "short slowdown before a word") {
        EXPECT_EQ(a["title"], "write the missing values on the row's line");
      }
      ASSERT_TRUE(a.contains("edit")) << a.dump();
      const std::string fixed = applied(f.broken, a["edit"], uri);
      const testing_support::Compiled c = testing_support::compile_in_memory(
          f.in_line ? fixed : line, f.in_line ? train : fixed, testing_support::Place::line);
      if (c.seen.empty()) {
        EXPECT_EQ(compiled_bytes(c), compiled_bytes(meant)) << fixed;
      }
      if (a.value("isPreferred", false)) {
        preferred_seen = true;
        EXPECT_EQ(fixed, f.preferred);
      }
    }
    EXPECT_EQ(preferred_seen, !f.preferred.empty());
  }
}

// An editor that can insert a snippet gets the missing values as tab
// stops named after them.
TEST_F(LspServer, AShortRowsFixIsASnippetWhereTheEditorTakesOne) {
  const std::string broken =
      replaced(train, "segnale,   20300,", "rallentamento,   20000,   60,   300,  0, 1\r\nsegnale,   20300,");
  const std::size_t row = line_of(broken, "rallentamento");
  Session s;
  s.request("initialize", {{"processId", nullptr},
                           {"capabilities", json::object()},
                           {"initializationOptions", {{"snippetCommand", "scenarioc.insertSnippet"}}}});
  s.notify("initialized");
  s.open(line_uri, line);
  s.open(train_uri, broken);
  const int actions = s.request("textDocument/codeAction",
                                {{"textDocument", {{"uri", train_uri}}},
                                 {"range", {{"start", position(row, 0)}, {"end", position(row, 0)}}},
                                 {"context", {{"diagnostics", json::array()}}}});
  s.end();
  const json list = s.run().result(actions);
  ASSERT_EQ(list.size(), 1u) << list.dump();
  const std::size_t end = std::string("rallentamento,   20000,   60,   300,  0, 1").size();
  EXPECT_EQ(list[0]["title"], "write the missing values on the row's line");
  EXPECT_EQ(list[0]["command"], json({{"title", "write the missing values on the row's line"},
                                      {"command", "scenarioc.insertSnippet"},
                                      {"arguments", {train_uri,
                                                     {{"start", position(row, end)}, {"end", position(row, end)}},
                                                     ", ${1:d_v}"}}}));
  EXPECT_FALSE(list[0]["isPreferred"].get<bool>());
}

// A short row's hint stands at the end of its own line, not in the middle
// of the row whose keyword it took for a value.
TEST_F(LspServer, AShortRowsHintStaysOnItsOwnLine) {
  const std::string row = "rallentamento,   20000,   60,   300,  0, 1";
  const std::string broken = replaced(train, "segnale,   20300,", row + "  \r\nsegnale,   20300,");
  const std::size_t at = line_of(broken, "rallentamento");
  Session s;
  s.initialize();
  s.open(line_uri, line);
  s.open(train_uri, broken);
  const int hints = s.request("textDocument/inlayHint",
                              {{"textDocument", {{"uri", train_uri}}},
                               {"range", {{"start", position(at, 0)}, {"end", position(at + 1, 0)}}}});
  s.end();
  const json list = s.run().result(hints);
  ASSERT_EQ(list.size(), 1u) << list.dump();
  EXPECT_EQ(list[0]["label"], "→ refused (error 25)");
  EXPECT_EQ(list[0]["position"], position(at, row.size()));
}

// Hover and signature help where a row runs short of its line: a value
// written on the next line is read as the row's (and said so), a next
// row's keyword taken for a value is said to be (error 25), and the line
// the author types on gets its own record's signature; on a refused row,
// its own.
TEST_F(LspServer, HoverAndSignatureHelpFollowShortAndRefusedRows) {
  const std::string slowdown = "rallentamento,   20000,   60,   300,  0, 1";
  const std::string train_text = replaced(replaced(train, "segnale,   20300,", slowdown + "\r\nsegnale,   20300,"),
                                          "stazione,    3000, 11,", "stazione,    3010, 11,");
  const std::string line_text = replaced(line, "pendenza,  7100,   4", "pendenza,  7100\r\n   4");
  const std::size_t short_row = line_of(train_text, "rallentamento,   20000"), next = short_row + 1;
  const std::size_t refused = line_of(train_text, "BIVIO CERSA");
  const std::size_t gradient = line_of(line_text, "pendenza,  7100\r\n");
  const std::string short_row_line = "line " + std::to_string(short_row + 1);
  struct Case {
    const char* name;
    bool in_train;
    std::size_t line, character;
    std::vector<std::string> hover;  // each found in the hover, or:
    std::string signature = {};      // its label's start, with the active value
    int active = 0;
  };
  const Case cases[] = {
      {"short row's keyword", true, short_row, 2,
       {"*Short row*: " + short_row_line + " holds 5 of the row's 6 values"}},
      {"next row's keyword taken for a value", true, next, 2,
       {"value 6 of 6", "not a whole number", "(error 25)", "*Taken for this row's value*",
        "takes \"segnale\" on line " + std::to_string(next + 1), "Write the missing values on " + short_row_line}},
      {"a value read from the next line", false, gradient + 1, 3,
       {"value 2 of 2", "*Read from line " + std::to_string(gradient + 2) + "*: line " +
                            std::to_string(gradient + 1) + " holds 1 of the row's 2 values"}},
      {"typing the short row on", true, short_row, slowdown.size(), {}, "rallentamento, ", 4},
      {"typing the next row", true, next, std::string("segnale,   20300, ").size(), {}, "segnale, ", 1},
      {"on the next row's keyword", true, next, 3, {}, "segnale, ", 0},
      {"the value on the next line", false, gradient + 1, 4, {}, "pendenza, ", 1},
      {"a refused row", true, refused, std::string("stazione,    3010, 1").size(), {}, "stazione, ", 1},
  };
  Session s;
  s.initialize();
  s.open(line_uri, line_text);
  s.open(train_uri, train_text);
  std::vector<int> ids;
  for (const Case& c : cases)
    ids.push_back(s.request(c.hover.empty() ? "textDocument/signatureHelp" : "textDocument/hover",
                            {{"textDocument", {{"uri", c.in_train ? train_uri : line_uri}}},
                             {"position", position(c.line, c.character)}}));
  s.end();
  const Session::Transcript t = s.run();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const json r = t.result(ids[i]);
    ASSERT_FALSE(r.is_null());
    if (!c.hover.empty()) {
      const std::string text = r["contents"]["value"];
      for (const std::string& part : c.hover) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
      continue;
    }
    EXPECT_EQ(r["signatures"][0]["label"].get<std::string>().rfind(c.signature, 0), 0u) << r.dump();
    EXPECT_EQ(r["activeParameter"], c.active) << r.dump();
  }
}

TEST_F(LspServer, QuickFixesOfAMisspeltCurveOfferBothHands) {
  const std::string broken = replaced(line, "curvad3,  800,", "curvd3,  800,");
  Session s;
  s.initialize();
  s.open(line_uri, broken);
  const std::size_t row = line_of(broken, "curvd3");
  const int here = s.request("textDocument/codeAction", {{"textDocument", {{"uri", line_uri}}},
                                                         {"range", {{"start", position(row, 2)}, {"end", position(row, 2)}}},
                                                         {"context", {{"diagnostics", json::array()}}}});
  const int elsewhere = s.request("textDocument/codeAction", {{"textDocument", {{"uri", line_uri}}},
                                                              {"range", {{"start", position(0, 0)}, {"end", position(0, 3)}}},
                                                              {"context", {{"diagnostics", json::array()}}}});
  s.end();
  const Session::Transcript t = s.run();
  std::vector<std::string> texts;
  for (const json& a : t.result(here)) texts.push_back(applied(broken, a["edit"], line_uri));
  EXPECT_EQ(texts, (std::vector<std::string>{line, replaced(line, "curvad3,  800,", "curvas2,  800,")}));
  EXPECT_EQ(t.result(elsewhere), json::array());
}

TEST_F(LspServer, HoverOnAMisspeltKeywordShowsTheRowItWouldBe) {
  const std::string broken = replaced(train, "segnale,    4200,", "segnalle,    4200,");
  const std::size_t row = line_of(broken, "segnalle");
  Session s;
  s.initialize();
  s.open(train_uri, broken);
  const int hover = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                     {"position", position(row, 3)}});
  s.end();
  const json h = s.run().result(hover);
  const std::string text = h["contents"]["value"];
  EXPECT_NE(text.find("**segnalle** is no keyword"), std::string::npos) << text;
  EXPECT_NE(text.find("Did you mean **segnale** (signal)?"), std::string::npos) << text;
  EXPECT_NE(text.find("- `" + std::string(scenario::record(scenario::RecordId::segnale).values[0].name) +
                      "` = 4200: "),
            std::string::npos)
      << text;
  EXPECT_EQ(h["range"], json({{"start", position(row, 0)}, {"end", position(row, 8)}}));
}

TEST_F(LspServer, SignatureHelpNamesTheValueBeingTyped) {
  // A row being typed, its speed still missing, and a clock with blanks
  // between its numbers.
  const std::string typing =
      replaced(replaced(train, "[vel_limite]\r\n", "[vel_limite]\r\nvelocita,  3000, \r\n"),
               "orologio,    13              56            15 ", "orologio, 13 56 1");
  const std::size_t row = line_of(typing, "velocita,  3000, ");
  const std::size_t clock_row = line_of(typing, "orologio, 13 56 1");
  struct Case {
    std::size_t line, character;
    std::string signature;  // empty: no help
    int active;
  };
  const std::string speed = "velocita, position, speed";
  const std::string clock = "orologio, hours, minutes, seconds";
  const Case cases[] = {
      {row, 3, speed, 0},          {row, 13, speed, 0},         {row, 15, speed, 0},
      {row, 16, speed, 1},         {row, 17, speed, 1},         {clock_row, 12, clock, 0},
      {clock_row, 13, clock, 1},   {clock_row, 17, clock, 2},   {row - 1, 4, "", 0},
  };
  Session s;
  s.initialize();
  s.open(train_uri, typing);
  std::vector<int> ids;
  for (const Case& c : cases)
    ids.push_back(s.request("textDocument/signatureHelp",
                            {{"textDocument", {{"uri", train_uri}}}, {"position", position(c.line, c.character)}}));
  s.end();
  const Session::Transcript t = s.run();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const json help = t.result(ids[i]);
    SCOPED_TRACE(std::to_string(c.line) + ":" + std::to_string(c.character));
    if (c.signature.empty()) {
      EXPECT_TRUE(help.is_null()) << help.dump();
      continue;
    }
    ASSERT_FALSE(help.is_null());
    const json& sig = help["signatures"][0];
    EXPECT_EQ(sig["label"], c.signature);
    EXPECT_EQ(help["activeParameter"], c.active);
    const json& p = sig["parameters"][c.active];
    const std::string name = c.signature.substr(p["label"][0], p["label"][1].get<std::size_t>() - p["label"][0].get<std::size_t>());
    const scenario::RecordInfo& r = scenario::record(c.signature == speed ? scenario::RecordId::velocita : scenario::RecordId::orologio);
    EXPECT_EQ(name, r.values[static_cast<std::size_t>(c.active)].name);
    EXPECT_NE(p["documentation"]["value"].get<std::string>().find(std::string(r.values[static_cast<std::size_t>(c.active)].meaning)),
              std::string::npos);
  }
  // Width and range, from the table: the speed is kept in fifths of a byte.
  const std::string doc = t.result(ids[4])["signatures"][0]["parameters"][1]["documentation"]["value"];
  EXPECT_NE(doc.find("one byte, in steps of 5, -2 to 1277; beyond that, error 25"), std::string::npos) << doc;
}

// "line:character:length:type" of each token, decoded from the protocol's
// relative encoding.
std::vector<std::string> decoded(const json& data, const json& legend) {
  std::vector<std::string> out;
  std::size_t line = 0, character = 0;
  for (std::size_t i = 0; i + 4 < data.size(); i += 5) {
    const std::size_t dl = data[i], dc = data[i + 1];
    character = dl == 0 ? character + dc : dc;
    line += dl;
    out.push_back(std::to_string(line) + ":" + std::to_string(character) + ":" + data[i + 2].dump() + ":" +
                  legend["tokenTypes"][data[i + 3].get<std::size_t>()].get<std::string>());
  }
  return out;
}

TEST_F(LspServer, SemanticTokensColourWhatTheReadersRead) {
  const std::string text =
      "- prova\r\n[generale]\r\nvetture, 4\r\n- nota, -x\r\n"
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \"A, B\"\r\n[fine]\r\n";
  const std::string changed = replaced(text, "vetture, 4", "vetture, 12");
  Session s;
  const int init = s.initialize();
  s.open(train_uri, text);
  const int full = s.request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", train_uri}}}});
  s.change(train_uri, changed, 2);
  const int delta = s.request("textDocument/semanticTokens/full/delta",
                              {{"textDocument", {{"uri", train_uri}}}, {"previousResultId", "1"}});
  const int stale = s.request("textDocument/semanticTokens/full/delta",
                              {{"textDocument", {{"uri", train_uri}}}, {"previousResultId", "1"}});
  s.open(line_uri, line);
  const int embedded = s.request("textDocument/semanticTokens/full", {{"textDocument", {{"uri", line_uri}}}});
  s.end();
  const Session::Transcript t = s.run();
  const json legend = t.result(init)["capabilities"]["semanticTokensProvider"]["legend"];

  std::vector<std::string> expected = {"0:0:7:comment", "1:0:10:namespace", "2:0:7:keyword", "2:9:1:number",
                                       "3:0:10:comment", "4:0:8:keyword"};
  for (const auto& [at, length] : std::vector<std::pair<int, int>>{{10, 1}, {13, 1}, {16, 3}, {21, 1}, {24, 1}, {27, 1},
                                                                   {30, 1}, {32, 1}, {34, 1}, {37, 1}, {39, 1}, {41, 1},
                                                                   {44, 1}, {47, 2}, {50, 2}, {54, 1}})
    expected.push_back("4:" + std::to_string(at) + ":" + std::to_string(length) + ":number");
  expected.push_back("4:57:6:string");  // the name with its quotes
  expected.push_back("5:0:6:namespace");
  const json first = t.result(full);
  EXPECT_EQ(first["resultId"], "1");
  EXPECT_EQ(decoded(first["data"], legend), expected);

  // The delta turns the first result into the new text's tokens.
  const json d = t.result(delta);
  ASSERT_TRUE(d.contains("edits")) << d.dump();
  std::vector<std::uint32_t> data = first["data"];
  for (const json& e : d["edits"]) {
    const std::vector<std::uint32_t> insert = e["data"];
    data.erase(data.begin() + e["start"].get<long>(), data.begin() + e["start"].get<long>() + e["deleteCount"].get<long>());
    data.insert(data.begin() + e["start"].get<long>(), insert.begin(), insert.end());
  }
  std::vector<std::string> after = expected;
  after[3] = "2:9:2:number";
  EXPECT_EQ(decoded(json(data), legend), after);
  // Against a result the server no longer holds: the whole list.
  EXPECT_EQ(decoded(t.result(stale)["data"], legend), after);

  // The embedded line text: in order, never overlapping, every row's keyword.
  const std::vector<std::string> tokens = decoded(t.result(embedded)["data"], legend);
  std::size_t keywords = 0, last_line = 0, last_end = 0;
  for (const std::string& tok : tokens) {
    std::size_t l = 0, c = 0, n = 0;
    char type[16] = {};
    ASSERT_EQ(std::sscanf(tok.c_str(), "%zu:%zu:%zu:%15s", &l, &c, &n, type), 4) << tok;
    EXPECT_TRUE(l > last_line || c >= last_end) << tok;
    last_line = l;
    last_end = c + n;
    keywords += std::string(type) == "keyword";
  }
  EXPECT_EQ(keywords, static_cast<std::size_t>(std::count_if(scenario::righe_linea().begin(), scenario::righe_linea().end(),
                                                              [](std::string_view r) { return r.find(',') != std::string_view::npos; })));
}

// The two texts formatted by the server, as an editor applies the edits.
std::pair<std::string, std::string> formatted(const fs::path& dir, const std::string& line_text,
                                              const std::string& train_text) {
  const std::string line_uri = uri_of(dir / "F_linea.txt"), train_uri = uri_of(dir / "F_1-.txt");
  Session s;
  s.initialize();
  s.open(line_uri, line_text);
  s.open(train_uri, train_text);
  const json options = {{"tabSize", 4}, {"insertSpaces", true}};
  const int on_line = s.request("textDocument/formatting", {{"textDocument", {{"uri", line_uri}}}, {"options", options}});
  const int on_train = s.request("textDocument/formatting", {{"textDocument", {{"uri", train_uri}}}, {"options", options}});
  s.end();
  const Session::Transcript t = s.run();
  return {applied(line_text, {{"changes", {{line_uri, t.result(on_line)}}}}, line_uri),
          applied(train_text, {{"changes", {{train_uri, t.result(on_train)}}}}, train_uri)};
}

// The three compiled files of two texts, concatenated.
std::string compiled(const fs::path& dir, const std::string& line_text, const std::string& train_text) {
  fs::create_directories(dir);
  write_bytes(dir / "F_linea.txt", line_text);
  write_bytes(dir / "F_1-.txt", train_text);
  EXPECT_EQ(run_command("\"" + scenarioc_exe() + "\" compile --scenario F --train 1 \"" + dir.string() + "\" 2>&1"), 0);
  return read_bytes(dir / "F_linea.dat") + read_bytes(dir / "F_1.sim") + read_bytes(dir / "F_1.dat");
}

// `text` as a careless author might lay it out: every row indented, blanks
// before its commas and after its last value; the clock, comments and
// headers as they were.
std::string untidy(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    std::string line = text.substr(at, end - at);
    at = end + 2;
    if (line.find(',') != std::string::npos && line.rfind("orologio", 0) != 0 && line[0] != '-') {
      std::string spread;
      for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ',' && i > 0 && line[i - 1] != ' ' && line[i - 1] != ',') spread += " \t";
        spread += line[i];
      }
      line = " \t " + spread + "  \t";
    }
    out += line + "\r\n";
  }
  return out;
}

TEST(LspFormatting, TheTextsLayoutIsKeptAndAnUntidyTextComesBackToIt) {
  const testing_support::LargeScenario large = testing_support::large_scenario();
  struct Case {
    const char* name;
    std::string line, train;
  };
  const Case cases[] = {{"embedded", scenario::joined_lines(scenario::righe_linea()),
                         scenario::joined_lines(scenario::righe_treno())},
                        {"largest", large.linea, large.treno}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    // The layout `scenarioc texts` writes: nothing to do.
    EXPECT_EQ(formatted(dir.path(), c.line, c.train), std::make_pair(c.line, c.train));
    const std::string line = untidy(c.line), train = untidy(c.train);
    ASSERT_NE(train, c.train);
    EXPECT_EQ(compiled(dir / "untidy", line, train), compiled(dir / "as written", c.line, c.train));
    EXPECT_EQ(formatted(dir.path(), line, train), std::make_pair(c.line, c.train));
  }
}

TEST(LspFormatting, OnlyBlanksAroundTheFieldsOfAPlainRowGo) {
  const std::string text =
      "[generale]\r\n"
      "  velocita,0,   100\r\n"
      "velocita ,  13000 ,95  \r\n"
      "orologio,  13   56  15   \r\n"
      "- a comment , left alone  \r\n"
      "aderenza,   0,    100\r\n"
      "  segnale, 1650, 2,\r\n 4, 0, 0, 0, 2, 2, 0, 0, 0\r\n"
      "velocita, 1, 2, velocita, 3, 4  \r\n"
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \"A, B\"   \r\n"
      "[fine]\r\n";
  const std::string expected =
      "[generale]\r\n"
      "velocita,0,   100\r\n"
      "velocita,  13000,95\r\n"
      "orologio,  13   56  15   \r\n"
      "- a comment , left alone  \r\n"
      "aderenza,   0,    100\r\n"
      "  segnale, 1650, 2,\r\n 4, 0, 0, 0, 2, 2, 0, 0, 0\r\n"
      "velocita, 1, 2, velocita, 3, 4  \r\n"
      "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \"A, B\"\r\n"
      "[fine]\r\n";
  TempDir dir;
  EXPECT_EQ(formatted(dir.path(), "", text).second, expected);

  // A range formats the rows that begin in it.
  const std::string uri = uri_of(dir / "F_1-.txt");
  Session s;
  s.initialize();
  s.open(uri, text);
  const int range = s.request("textDocument/rangeFormatting",
                              {{"textDocument", {{"uri", uri}}},
                               {"range", {{"start", position(2, 0)}, {"end", position(2, 5)}}},
                               {"options", {{"tabSize", 4}, {"insertSpaces", true}}}});
  s.end();
  EXPECT_EQ(applied(text, {{"changes", {{uri, s.run().result(range)}}}}, uri),
            replaced(text, "velocita ,  13000 ,95  ", "velocita,  13000,95"));
}

// Characters Windows-1252 lacks are held by the server as '?': an edit
// never spans one, so the editor's text keeps them.
TEST(LspFormatting, CharactersTheCodePageLacksAreNeverRewritten) {
  const std::string text =
      "[generale]\r\n[stazioni]\r\n"
      "  stazione , 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \u0141UGO \U0001F686  \r\n"
      "[fine]\r\n";
  TempDir dir;
  EXPECT_EQ(formatted(dir.path(), "", text).second,
            "[generale]\r\n[stazioni]\r\n"
            "stazione, 0, 8, 700, 0, 1, 0, 1,1,0, 4,1,1, 1, 13,57, 0, \u0141UGO \U0001F686\r\n"
            "[fine]\r\n");
}

// JavaScript clients send half a surrogate pair as "\ud800": the document is
// opened all the same, with U+FFFD in its place, and later changes apply.
TEST(LspSession, ALoneSurrogateKeepsTheDocument) {
  TempDir dir;
  const std::string uri = uri_of(dir / "F_1-.txt");
  Session s;
  s.initialize();
  s.raw(frame(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" + uri +
              R"(","languageId":"plaintext","version":1,"text":"[generale]\r\nsabbia, 300 \ud800\r\n[fine]\r\n"}}})"));
  const int symbols = s.request("textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}});
  s.change(uri, "[generale]\r\nsabbia, 300\r\nsabbia, 300\r\n[fine]\r\n", 2);
  s.end();
  const Session::Transcript t = s.run();
  for (const json& m : t.messages) EXPECT_FALSE(m.contains("error")) << m.dump();
  EXPECT_FALSE(t.result(symbols).empty()) << t.result(symbols).dump();
  const std::vector<json> published = t.diagnostics(uri);
  ASSERT_EQ(published.size(), 2u);
  // The replacement character is one Windows-1252 lacks: said so, at its place.
  EXPECT_NE(published[0].dump().find("1252"), std::string::npos) << published[0].dump();
  EXPECT_NE(published[1], published[0]);
}

TEST(LspSession, DamagedInputIsAnsweredAndTheServerReadsOn) {
  Session s;
  const int early = s.request("textDocument/hover");
  s.initialize();
  s.raw(frame("{not json"));
  s.raw("Content-Length: seven\r\n\r\n");
  s.raw(frame("[1, 2]"));
  s.raw(frame(R"({"jsonrpc":"2.0","id":{"x":1},"method":"shutdown"})"));
  const int unknown = s.request("textDocument/unknownThing");
  s.notify("workspace/unknownNotification");
  const int bad_params = s.request("textDocument/hover", {{"textDocument", 5}});
  const int again = s.request("initialize", {{"capabilities", json::object()}});
  s.notify("textDocument/didOpen", {{"textDocument", 3}});  // a broken notification: logged
  const int later = s.request("textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///nowhere/x_linea.txt"}}}});
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);

  EXPECT_EQ(t.response(early)["error"]["code"], -32002);
  std::vector<int> anonymous;
  for (const json& m : t.messages)
    if (m.contains("id") && m["id"].is_null()) anonymous.push_back(m["error"]["code"]);
  EXPECT_EQ(anonymous, (std::vector<int>{-32700, -32700, -32600, -32600}));
  EXPECT_EQ(t.response(unknown)["error"]["code"], -32601);
  EXPECT_EQ(t.response(bad_params)["error"]["code"], -32602);
  EXPECT_EQ(t.response(again)["error"]["code"], -32600);
  EXPECT_EQ(t.result(later), json::array());
  const bool logged = std::any_of(t.messages.begin(), t.messages.end(), [](const json& m) {
    return m.value("method", "") == "window/logMessage";
  });
  EXPECT_TRUE(logged);
}

TEST(LspSession, ExitStatusSaysWhetherShutdownCameFirst) {
  struct Case {
    bool shutdown, exit;
    int status;
  };
  for (const Case c : {Case{true, true, 0}, Case{false, true, 1}, Case{true, false, 0}, Case{false, false, 1}}) {
    Session s;
    s.initialize();
    if (c.shutdown) s.request("shutdown");
    const int after = s.request("textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///x/a_linea.txt"}}}});
    if (c.exit) {
      s.notify("exit");
      s.request("shutdown");  // after exit: never read
    }
    const Session::Transcript t = s.run();
    EXPECT_EQ(t.status, c.status) << c.shutdown << c.exit;
    if (c.shutdown) EXPECT_EQ(t.response(after)["error"]["code"], -32600);
    else EXPECT_EQ(t.result(after), json::array());
    const std::size_t answers = std::count_if(t.messages.begin(), t.messages.end(),
                                              [](const json& m) { return m.contains("id"); });
    EXPECT_EQ(answers, c.shutdown ? 3u : 2u);
  }
}

// What an editor, a damaged plug-in or a hostile folder can send: each is
// answered, and the server still answers shutdown.
TEST_F(LspServer, DeepNestingIsRefusedBeforeItIsWalked) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  Session s;
  s.initialize();
  s.open(train_uri, train);
  // Nested in the params of a notification, of a request, and at the top.
  s.raw(frame(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
              train_uri + R"(","version":2},"contentChanges":)" + deep + "}}"));
  s.raw(frame(R"({"jsonrpc":"2.0","id":"deep","method":"textDocument/hover","params":)" + deep + "}"));
  s.raw(frame(deep));
  // 256 levels are still a message; brackets in a string are no nesting.
  json nested = json::array();
  for (int i = 0; i < 250; ++i) nested = json::array({nested});
  s.notify("$/setTrace", {{"value", "off"}, {"deep", nested}, {"text", std::string(1000, '[')}});
  const int hover = s.request("textDocument/hover", {{"textDocument", {{"uri", train_uri}}},
                                                     {"position", position(line_of(train, "segnale"), 2)}});
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);
  std::size_t refused = 0;
  for (const json& m : t.messages) {
    if (m.contains("error") && m["error"]["message"] == "a message nested more than 256 levels deep") {
      EXPECT_EQ(m["error"]["code"], -32600);
      ++refused;
    }
  }
  EXPECT_EQ(refused, 3u);
  EXPECT_TRUE(t.result(hover).is_object());
  // The document is as it was opened: the change was not applied.
  EXPECT_EQ(t.diagnostics(train_uri).size(), 1u);
}

TEST_F(LspServer, DiagnosticsOfOneCodeAreBoundedAndCharactersWithoutAPlaceMergedByRow) {
  // 15 rows of Greek letters and 15 misspelt keywords in the train text.
  std::string rows, misspelt;
  for (int i = 0; i < 15; ++i) rows += "- ΑΒΓ ΔΕ\r\n";
  for (int i = 0; i < 15; ++i) misspelt += "segnal, 1650, 2, 3, 0, 0, 0, 0, 0,0,0, 0\r\n";
  const std::string text = replaced(train, "[fine]", rows + misspelt + "[fine]");
  Session s;
  s.initialize();
  s.open(train_uri, text);
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);
  const std::vector<json> d = t.diagnostics(train_uri);
  ASSERT_EQ(d.size(), 1u);
  std::vector<json> unmapped, unknown, summaries;
  for (const json& x : d[0]) {
    if (x.at("severity") == 3) summaries.push_back(x);
    else if (x.at("code") == "not-windows-1252") unmapped.push_back(x);
    else if (x.at("code") == "unknown-keyword") unknown.push_back(x);
  }
  ASSERT_EQ(unmapped.size(), 10u);
  const std::size_t first = line_of(text, "ΑΒΓ");
  // One per row, from the first such character to the last.
  EXPECT_EQ(unmapped[0].at("range"), json({{"start", position(first, 2)}, {"end", position(first, 8)}}));
  EXPECT_EQ(unknown.size(), 10u);
  ASSERT_EQ(summaries.size(), 2u);
  EXPECT_EQ(summaries[0].at("message"), "and 5 more 'unknown-keyword' warnings");
  EXPECT_EQ(summaries[0].at("range").at("start"), position(line_of(text, "segnal,") + 10, 0));
  EXPECT_EQ(summaries[1].at("message"), "and 5 more 'not-windows-1252' warnings (rows with such characters)");
  EXPECT_EQ(summaries[1].at("range").at("start"), position(first + 10, 2));
}

// A train text is compiled with its line text alone: opening or changing
// it says again what the line text shows, never what another train text
// shows. Republishing every text of the scenario made opening n of them
// cost n² publishes.
TEST_F(LspServer, ATrainTextsChangeRepublishesItAndItsLineTextOnly) {
  const std::string other_uri = uri_of(dir / "Prova_8-.txt");
  Session s;
  s.initialize();
  s.open(line_uri, line);
  s.open(train_uri, train);
  s.open(other_uri, train);
  s.change(train_uri, train + "- a comment\r\n", 2);
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.diagnostics(line_uri).size(), 4u);
  EXPECT_EQ(t.diagnostics(train_uri).size(), 2u);
  EXPECT_EQ(t.diagnostics(other_uri).size(), 1u);
  // A change of the line text is every train text's.
  Session l;
  l.initialize();
  l.open(train_uri, train);
  l.open(other_uri, train);
  l.change(line_uri, line, 2);  // not open: no document, nothing said
  l.open(line_uri, line);
  l.end();
  const Session::Transcript u = l.run();
  EXPECT_EQ(u.diagnostics(train_uri).size(), 2u);
  EXPECT_EQ(u.diagnostics(other_uri).size(), 2u);
}

// With no limit the server still holds a bounded number of diagnostics of
// a scenario: the rest are counted, and the count says where to see them.
TEST_F(LspServer, WithoutALimitDiagnosticsPastWhatIsHeldAreCounted) {
  std::string misspelt;
  for (std::size_t i = 0; i < lsp::held_without_limit + 7; ++i)
    misspelt += "segnal, 1650, 2, 3, 0, 0, 0, 0, 0,0,0, 0\r\n";
  const std::string text = replaced(train, "[fine]", misspelt + "[fine]");
  Session s;
  s.request("initialize", {{"processId", nullptr},
                           {"capabilities", json::object()},
                           {"initializationOptions", {{"diagnosticLimit", 0}}}});
  s.notify("initialized");
  s.open(train_uri, text);
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);
  const std::vector<json> d = t.diagnostics(train_uri);
  ASSERT_EQ(d.size(), 1u);
  std::size_t unknown = 0;
  std::vector<json> summaries;
  for (const json& x : d[0]) {
    if (x.at("severity") == 3) summaries.push_back(x);
    else if (x.at("code") == "unknown-keyword") ++unknown;
  }
  EXPECT_EQ(unknown, lsp::held_without_limit);
  ASSERT_EQ(summaries.size(), 1u);
  EXPECT_EQ(summaries[0].at("message"),
            "and 7 more 'unknown-keyword' warnings: past 5,000 the editor is shown only how many; "
            "'scenarioc check --diagnostic-limit 0' shows every one");
  EXPECT_EQ(summaries[0].at("range").at("start"),
            position(line_of(text, "segnal,") + lsp::held_without_limit, 0));
}

#if !defined(_WIN32)
TEST_F(LspServer, APartnerThatCannotBeReadIsSaidOnTheOpenText) {
  // The line text a link to a device, which would never end if read.
  std::filesystem::remove(dir / nomi.linea_txt());
  std::filesystem::create_symlink("/dev/zero", dir / nomi.linea_txt());
  Session s;
  s.initialize();
  s.open(train_uri, train);
  s.end();
  const Session::Transcript t = s.run();
  EXPECT_EQ(t.status, 0);
  const std::vector<json> d = t.diagnostics(train_uri);
  ASSERT_EQ(d.size(), 1u);
  // Said once, and not contradicted by a "file missing" error.
  ASSERT_EQ(d[0].size(), 1u) << d[0].dump();
  EXPECT_EQ(d[0][0].at("message"), "Prova_linea.txt: cannot read the line description: is a device");
}
#endif

}  // namespace
