// The embedded scenario's bytes against tests/golden/, which a build known
// to be right produced: the three compiled files and the five texts by
// digest, and `scenarioc dump` of each compiled file, text and JSON. A
// changed byte in any writer or printer fails here.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "driver/one_shot_run.h"
#include "golden.h"
#include "model/file_names.h"
#include "model/model.h"
#include "model/version.h"
#include "test_support.h"
#include "text/scenario_texts.h"
#include "tool/cli.h"
#include "tool/run.h"

namespace {

using testing_support::golden_digests;
using testing_support::golden_file;
using testing_support::read_bytes;
using testing_support::sha256_hex;
using testing_support::TempDir;

const std::vector<std::string> compiled = {"Belvara_Quintosa_linea.dat", "Belvara_Quintosa_254.sim",
                                           "Belvara_Quintosa_254.dat"};

// The five texts written and the two descriptions compiled, as the one-shot
// program does it, in one directory shared by the suite.
class Golden : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    texts_ = new std::map<std::string, std::string>;
    scenario::Modello m;
    m.cartella = dir_->str();
    m.nome_scenario = "Belvara_Quintosa";
    m.numero_treno = "254";
    const scenario::FileNames names{m.nome_scenario, m.numero_treno};
    scenario::dati_linea(m.cartella, names);
    scenario::dati_treno(m.cartella, names);
    scenario::dati_note(m.cartella, names);
    scenario::dati_rallentamenti(m.cartella, names);
    scenario::dati_scheda(m.cartella, names);
    // The compilation deletes the two descriptions: keep them first.
    for (const auto& e : std::filesystem::directory_iterator(dir_->path()))
      (*texts_)[e.path().filename().string()] = read_bytes(e.path());
    scenario::memorizza_percorso(m, 1);
  }
  static void TearDownTestSuite() {
    delete texts_;
    delete dir_;
  }

  // Whatever the scenarioc command printed, with the directory taken out of
  // the file names it shows (in JSON, backslashes come doubled), and the
  // version, which each release changes, shown as VERSION.
  struct Run {
    int status;
    std::string out, err;
  };
  static Run scenarioc(const std::vector<std::string>& args) {
    scenarioc::CapturedOutput captured;
    Run o{scenarioc::run(args), {}, {}};
    o.out = std::move(captured.out);
    o.err = std::move(captured.err);
    std::string prefix = (dir_->path() / "").string();
    for (std::string* s : {&o.out, &o.err}) {
      for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t at; (at = s->find(prefix)) != std::string::npos;) s->erase(at, prefix.size());
        for (std::size_t at = 0; (at = prefix.find('\\', at)) != std::string::npos; at += 2)
          prefix.insert(at, 1, '\\');
      }
    }
    const std::string version = "\"version\": \"" + std::string(scenario::version) + "\"";
    if (const std::size_t at = o.out.rfind(version); at != std::string::npos)
      o.out.replace(at, version.size(), "\"version\": \"VERSION\"");
    return o;
  }

  static TempDir* dir_;
  static std::map<std::string, std::string>* texts_;
};
TempDir* Golden::dir_ = nullptr;
std::map<std::string, std::string>* Golden::texts_ = nullptr;

TEST_F(Golden, CompiledFilesAndTexts) {
  const auto expected = golden_digests("embedded.sha256");
  std::vector<std::string> names = compiled;
  for (const char* text :
       {"Belvara_Quintosa_linea.txt", "Belvara_Quintosa_254-.txt", "Belvara_Quintosa_254_note.txt",
        "Belvara_Quintosa_254_rallentamenti.txt", "Belvara_Quintosa_254_scheda_treno.txt"})
    names.push_back(text);
  ASSERT_EQ(expected.size(), names.size());
  ASSERT_EQ(texts_->size(), 5u);
  for (const std::string& name : names) {
    const auto text = texts_->find(name);
    const std::string bytes = text != texts_->end() ? text->second : read_bytes(*dir_ / name);
    EXPECT_EQ(sha256_hex(bytes), expected.at(name)) << name;
  }
}

TEST_F(Golden, DumpOfEachCompiledFile) {
  const auto digests = golden_digests("dump.sha256");
  for (const std::string& name : compiled) {
    for (const std::string form : {"txt", "json"}) {
      std::vector<std::string> args = {"dump", (*dir_ / name).string()};
      if (form == "json") args.insert(args.begin() + 1, "--json");
      const Run o = scenarioc(args);
      EXPECT_EQ(o.status, 0) << name << " " << form;
      EXPECT_EQ(o.err, "") << name << " " << form;
      // The longest one, one line of JSON, is kept as a digest.
      const std::string golden = name + "." + form;
      if (digests.contains(golden)) {
        EXPECT_EQ(sha256_hex(o.out), digests.at(golden)) << golden;
      } else {
        EXPECT_EQ(o.out, golden_file("dump/" + golden)) << golden;
      }
    }
  }
}

}  // namespace
