// scenarioc's files and streams as a hostile but realistic user finds them:
// runs started together, interrupts in the middle of a large compile, lost
// standard output, inputs that are no compiled file at all, names in UTF-8
// or with stray characters, and the messages for a missing or odd source.
//
// POSIX only, as scenarioc_test.cpp: the programs run through a POSIX shell.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "large_scenario.h"
#include "platform/platform.h"
#include "random_scenario.h"
#include "test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::folder_contents;
using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::run_command;
using testing_support::TempDir;
using testing_support::write_bytes;

const std::string linea_txt = "Belvara_Quintosa_linea.txt";
const std::string treno_txt = "Belvara_Quintosa_254-.txt";
const std::vector<std::string> compilati = {"Belvara_Quintosa_linea.dat",
                                            "Belvara_Quintosa_254.sim",
                                            "Belvara_Quintosa_254.dat"};

std::string q(const std::string& s) { return "'" + s + "'"; }
std::string q(const fs::path& p) { return q(p.string()); }
const std::string exe = q(std::string(SCENARIOC_EXE));

struct Outcome {
  int status;
  std::string out, err;
};

// scenarioc with `args` (already quoted); standard output goes to `out`
// (a file in a scratch folder when empty).
Outcome scenarioc(const std::string& args, const std::string& out = "") {
  TempDir cattura;
  const std::string out_file = out.empty() ? q(cattura / "out") : out;
  const int status = run_command(exe + " " + args + " > " + out_file + " 2> " + q(cattura / "err"));
  return {status, out.empty() ? read_bytes(cattura / "out") : "", read_bytes(cattura / "err")};
}

using Contents = std::map<std::string, std::string>;


// The embedded texts in `src`, compiled once into `reference`.
struct Embedded {
  TempDir src, reference;
  Contents compiled;
  Embedded() {
    EXPECT_EQ(scenarioc("texts " + q(src.path())).status, 0);
    EXPECT_EQ(scenarioc("compile --out " + q(reference.path()) + " " + q(src.path())).status, 0);
    compiled = folder_contents(reference.path());
  }
};

const Embedded& embedded() {
  static const Embedded e;
  return e;
}

Contents old_set() {
  Contents c;
  for (const std::string& n : compilati) c[n] = "earlier " + n;
  return c;
}

void put(const fs::path& dir, const Contents& c) {
  for (const auto& [n, bytes] : c) write_bytes(dir / n, bytes);
}

TEST(ScenariocFiles, TwoCompilesStartedTogetherLeaveTheSetOfOne) {
  const Embedded& e = embedded();
  for (int round = 0; round < 5; ++round) {
    TempDir out;
    put(out.path(), old_set());
    auto uno = [&](const std::string& n) {
      return "(" + exe + " compile --out " + q(out.path()) + " " + q(e.src.path()) + " 2> " +
             q(out / ("err" + n)) + "; echo $? > " + q(out / ("status" + n)) + ")";
    };
    ASSERT_EQ(run_command(uno("1") + " & " + uno("2") + " & wait"), 0);
    for (const std::string n : {"1", "2"}) {
      EXPECT_EQ(read_bytes(out / ("status" + n)), "0\n") << read_bytes(out / ("err" + n));
      fs::remove(out / ("status" + n));
      const std::string err = read_bytes(out / ("err" + n));
      // Only the wait may be told.
      EXPECT_TRUE(err.empty() || err.find("waiting for it to finish") != std::string::npos) << err;
      fs::remove(out / ("err" + n));
    }
    EXPECT_EQ(folder_contents(out.path()), e.compiled) << "round " << round;
  }
}

// Two compiled sets that differ in every file published into one folder
// again and again, as compile publishes them, while decompile and render read
// it: each reader's output is one set's, never the line file of one with the
// cells of the other.
TEST(ScenariocFiles, ReadersSeeOnePublishedSetWhole) {
  TempDir work;
  Contents sets[2];
  for (int i = 0; i < 2; ++i) {
    const testing_support::RandomScenario s = testing_support::random_scenario(11 + i);
    const fs::path src = work / ("src" + std::to_string(i));
    fs::create_directory(src);
    write_bytes(src / linea_txt, s.linea);
    write_bytes(src / treno_txt, s.treno);
    const fs::path out = work / ("set" + std::to_string(i));
    fs::create_directory(out);
    ASSERT_EQ(scenarioc("compile --out " + q(out) + " " + q(src)).status, 0);
    for (const std::string& n : compilati) sets[i][n] = read_bytes(out / n);
  }
  for (const std::string& n : compilati) ASSERT_NE(sets[0][n], sets[1][n]) << n;

  const fs::path shared = work / "shared";
  fs::create_directory(shared);
  auto publish = [&](const Contents& set) {
    platform::OutputSet out(shared.string(), ".scenarioc-");
    std::vector<std::string> names;
    for (const auto& [n, bytes] : set) {
      platform::replace_file(out.staged(n), bytes);
      names.push_back(n);
    }
    out.publish(names);
  };
  // What each reader makes of each set alone.
  struct Read {
    std::string texts, picture;
  };
  int round = 0;
  auto read = [&](Read& r) {
    const fs::path texts = work / ("texts" + std::to_string(round));
    const fs::path picture = work / ("picture" + std::to_string(round) + ".svg");
    ++round;
    const Outcome d = scenarioc("decompile --out " + q(texts) + " " + q(shared));
    const Outcome p = scenarioc("render --out " + q(picture) + " " + q(shared));
    EXPECT_EQ(p.status, 0) << p.err;
    // A mixed set may decompile inexactly (status 1): its texts are still
    // compared.
    EXPECT_LE(d.status, 1) << d.err;
    r.texts = read_bytes(texts / linea_txt) + read_bytes(texts / treno_txt);
    r.picture = read_bytes(picture);
  };
  Read alone[2];
  for (int i = 0; i < 2; ++i) {
    publish(sets[i]);
    read(alone[i]);
    ASSERT_FALSE(alone[i].texts.empty());
    ASSERT_FALSE(alone[i].picture.empty());
  }

  std::atomic<bool> done{false};
  std::thread publisher([&] {
    for (int i = 0; !done; i = 1 - i) {
      publish(sets[i]);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  int mixed_texts = 0, mixed_pictures = 0;
  for (int i = 0; i < 20; ++i) {
    Read r;
    read(r);
    mixed_texts += r.texts != alone[0].texts && r.texts != alone[1].texts;
    mixed_pictures += r.picture != alone[0].picture && r.picture != alone[1].picture;
  }
  done = true;
  publisher.join();
  EXPECT_EQ(mixed_texts, 0);
  EXPECT_EQ(mixed_pictures, 0);
}

// A SIGTERM while a large scenario compiles, at moments spread over a whole
// run: the output folder keeps its earlier files, or has the new set when
// the signal came once it was in place, never a mix, and no staging folder
// is left.
TEST(ScenariocFiles, ASigtermAtAnyMomentOfALargeCompileLeavesTheEarlierFiles) {
  TempDir src;
  const testing_support::LargeScenario s = testing_support::large_scenario();
  write_bytes(src / "Grande_linea.txt", s.linea);
  write_bytes(src / "Grande_1-.txt", s.treno);
  const Contents earlier = {{"Grande_linea.dat", "earlier plan"},
                            {"Grande_1.sim", "earlier route"},
                            {"Grande_1.dat", "earlier cells"}};

  std::vector<std::string> argv_s = {SCENARIOC_EXE, "compile", "--scenario", "Grande", "--train", "1",
                                     "--out", "", src.str()};
  auto start = [&](const fs::path& out) {
    argv_s[7] = out.string();
    std::vector<char*> argv;
    for (std::string& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  };
  auto wait_for = [](pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  };

  // How long a whole run takes here.
  TempDir whole;
  const auto t0 = std::chrono::steady_clock::now();
  const int status = wait_for(start(whole.path()));
  const auto run = std::chrono::steady_clock::now() - t0;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const Contents compiled = folder_contents(whole.path());
  ASSERT_EQ(compiled.size(), 3u);

  int kept = 0;  // runs ended by the signal that left the earlier files
  for (int tenth = 0; tenth <= 12; ++tenth) {
    TempDir out;
    put(out.path(), earlier);
    const pid_t pid = start(out.path());
    std::this_thread::sleep_for(run * tenth / 10);
    kill(pid, SIGTERM);
    const int st = wait_for(pid);
    // Ended by the signal before the program took it, or by the program.
    const bool ended_by_signal =
        (WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) || (WIFEXITED(st) && WEXITSTATUS(st) == 128 + SIGTERM);
    const Contents left = folder_contents(out.path());
    if (ended_by_signal && left == earlier) {
      ++kept;
    } else {
      EXPECT_TRUE(ended_by_signal || (WIFEXITED(st) && WEXITSTATUS(st) == 0)) << st;
      EXPECT_EQ(left, compiled) << "at " << tenth << "/10 of a run";
    }
  }
  EXPECT_GT(kept, 0);
}

// A run killed outright (SIGKILL, a power cut) leaves its staging folder;
// the next run into that folder removes it, and nothing else.
TEST(ScenariocFiles, ALeftoverStagingFolderIsRemovedByTheNextRun) {
  const Embedded& e = embedded();
  TempDir out;
  fs::create_directory(out / ".scenarioc-0123456789ab");
  write_bytes(out / ".scenarioc-0123456789ab" / compilati[0], "half a plan");
  fs::create_directory(out / ".scenarioc-mine");
  write_bytes(out / ".scenarioc-abcdef012345", "a file of the author's");
  // The one-shot program's too, such as a killed removal of its old copies
  // leaves.
  fs::create_directory(out / ".belvara_quintosa-0123456789ab");
  write_bytes(out / ".belvara_quintosa-0123456789ab" / ".old-0", "old");
  ASSERT_EQ(scenarioc("compile --out " + q(out.path()) + " " + q(e.src.path())).status, 0);
  Contents atteso = e.compiled;
  atteso[".scenarioc-mine"] = "<folder>";
  atteso[".scenarioc-abcdef012345"] = "a file of the author's";
  EXPECT_EQ(folder_contents(out.path()), atteso);
}

TEST(ScenariocFiles, OutputLostOnStandardOutputFails) {
  const Embedded& e = embedded();
  TempDir out;
  // A set whose cell 3 holds an approach mark no text gives back.
  fs::create_directory(out / "damaged");
  for (const std::string& n : compilati) fs::copy_file(e.reference / n, out / "damaged" / n);
  std::string cells = read_bytes(e.reference / compilati[2]);
  cells[3 * 15 + 10] = 77;
  write_bytes(out / "damaged" / compilati[2], cells);
  // 2 where nothing was put in place; 3 where the files were, and only
  // the report is lost; 1 stays 1.
  const std::vector<std::pair<std::string, int>> commands = {
      {"dump --json " + q(e.reference / compilati[1]), 2},
      {"dump " + q(e.reference / compilati[2]), 2},
      {"compile --json --out " + q(out.path()) + " " + q(e.src.path()), 3},
      {"texts " + q(out / "texts"), 3},
      {"decompile --out " + q(out / "exact") + " " + q(e.reference.path()), 3},
      {"decompile --out " + q(out / "inexact") + " " + q(out / "damaged"), 1},
      {"--help", 2},
  };
  for (const auto& [c, status] : commands) {
    const Outcome r = scenarioc(c, "/dev/full");
    EXPECT_EQ(r.status, status) << c;
    EXPECT_NE(r.err.find("scenarioc: write error on standard output"), std::string::npos) << c << ": " << r.err;
  }
}

// Nothing that is no compiled file is read whole: a device, a FIFO and a
// file larger than any of its kind are refused at once, saying what they are.
TEST(ScenariocFiles, DumpRefusesWhatIsNoCompiledFileWithoutReadingIt) {
  TempDir dir;
  ASSERT_EQ(symlink("/dev/zero", (dir / "zero.sim").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
  {
    // Sparse: 400 MB that take no room.
    std::FILE* f = std::fopen((dir / "huge.sim").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ftruncate(fileno(f), 400'000'000), 0);
    std::fclose(f);
  }
  fs::create_directory(dir / "folder.dat");
  struct Case {
    std::string file, message;
  };
  const Case cases[] = {
      {"/dev/zero", "/dev/zero: error: not a compiled file name"},
      {(dir / "zero.sim").string(), "is a device"},
      {(dir / "pipe.dat").string(), "is a FIFO"},
      {(dir / "huge.sim").string(), "is 400000000 bytes, more than the 5704503 bytes allowed"},
      {(dir / "folder.dat").string(), "is a directory"},
  };
  for (const Case& c : cases) {
    const auto t0 = std::chrono::steady_clock::now();
    // A time limit, in case a read blocks or runs to the end of memory.
    TempDir cattura;
    const int status = run_command("timeout 10 " + exe + " dump " + q(c.file) + " < /dev/null > /dev/null 2> " +
                                   q(cattura / "err"));
    const Outcome r{status, "", read_bytes(cattura / "err")};
    EXPECT_EQ(r.status, 1) << c.file;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5)) << c.file;
  }
}

// A cell file under a name that ends like a line file's is dumped as the
// cell file it is; compile refuses the train numbers that would make one.
TEST(ScenariocFiles, DumpKnowsACellFileByItsBytes) {
  const Embedded& e = embedded();
  TempDir dir;
  fs::copy_file(e.reference / compilati[2], dir / "A_LINEA.dat");
  const Outcome r = scenarioc("dump " + q(dir / "A_LINEA.dat"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("format mark 5121, cell competition code 2455"), std::string::npos) << r.out;
}

TEST(ScenariocFiles, NamesThatWouldMisleadAreRefused) {
  const Embedded& e = embedded();
  TempDir out;
  for (const std::string train : {"LINEA", "Linea", "x_linea", "x_LINEA", " 254", "254 ", "25\t4", "25\x7f" "4",
                                  "\xc2\x85", "\xe8", "\xce\xa9"}) {
    for (const std::string& cmd : {"compile --out " + q(out.path()) + " --train " + q(train) + " " + q(e.src.path()),
                                   "render --train " + q(train) + " " + q(e.reference.path())}) {
      const Outcome r = scenarioc(cmd);
      EXPECT_EQ(r.status, 64) << cmd;
      EXPECT_EQ(r.err.rfind("scenarioc: --train ", 0), 0u) << r.err;
    }
  }
  const Outcome omega = scenarioc("compile --out " + q(out.path()) + " --scenario '\xce\xa9mega' " + q(e.src.path()));
  EXPECT_EQ(omega.err.rfind("scenarioc: --scenario \"\xce\xa9mega\": the compiled files, in Windows-1252, "
                            "cannot hold \"\xce\xa9\"\n",
                            0),
            0u)
      << omega.err;
  EXPECT_TRUE(fs::is_empty(out.path()));
}

// A name typed in UTF-8 names the files as typed, is stored in Windows-1252
// in the route file, and comes back as typed in JSON and in the picture.
TEST(ScenariocFiles, AUtf8NameIsStoredInWindows1252AndShownAsTyped) {
  const Embedded& e = embedded();
  TempDir dir;
  const std::string nome = "B\xc3\xa8lvara";  // Bèlvara
  fs::copy_file(e.src / linea_txt, dir / (nome + "_linea.txt"));
  fs::copy_file(e.src / treno_txt, dir / (nome + "_254-.txt"));
  const Outcome r = scenarioc("compile --json --scenario " + q(nome) + " " + q(dir.path()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"files\": [\"" + nome + "_linea.dat\", \"" + nome + "_254.sim\", \"" + nome +
                       "_254.dat\"]"),
            std::string::npos)
      << r.out;
  const std::string sim = read_bytes(dir / (nome + "_254.sim"));
  EXPECT_NE(sim.find("B\xe8lvara"), std::string::npos);
  EXPECT_EQ(sim.find(nome), std::string::npos);

  const Outcome d = scenarioc("dump --json " + q(dir / (nome + "_254.sim")));
  EXPECT_EQ(d.out.rfind("{\"file\": \"" + (dir / (nome + "_254.sim")).string() + "\"", 0), 0u) << d.out;
  EXPECT_NE(d.out.find("\"testo\": \"B\\u00e8lvara\""), std::string::npos);
  const Outcome svg = scenarioc("render --scenario " + q(nome) + " " + q(dir.path()));
  EXPECT_EQ(svg.status, 0) << svg.err;
  EXPECT_NE(read_bytes(dir / (nome + "_254.svg")).find(nome), std::string::npos);
}

// An output name that is a link is replaced by the compiled file; the file
// it led to is not touched.
TEST(ScenariocFiles, ALinkAtAnOutputNameIsReplacedNotFollowed) {
  const Embedded& e = embedded();
  TempDir out, elsewhere;
  write_bytes(elsewhere / "precious", "precious");
  fs::create_symlink(elsewhere / "precious", out / compilati[1]);
  ASSERT_EQ(scenarioc("compile --out " + q(out.path()) + " " + q(e.src.path())).status, 0);
  EXPECT_FALSE(fs::is_symlink(out / compilati[1]));
  EXPECT_EQ(folder_contents(out.path()), e.compiled);
  EXPECT_EQ(read_bytes(elsewhere / "precious"), "precious");
}

TEST(ScenariocFiles, MessagesSayWhatStandsWhereASourceShouldBe) {
  const Embedded& e = embedded();
  TempDir dir;
  fs::create_directory(dir / linea_txt);
  fs::copy_file(e.src / treno_txt, dir / treno_txt);
  const Outcome cartella = scenarioc("compile " + q(dir.path()));
  EXPECT_EQ(cartella.status, 2);
  EXPECT_EQ(cartella.err, (dir / linea_txt).string() + ": error: cannot read the line description: is a directory\n");

  fs::remove(dir / linea_txt);
  ASSERT_EQ(mkfifo((dir / linea_txt).c_str(), 0600), 0);
  const Outcome fifo = scenarioc("compile " + q(dir.path()));
  EXPECT_EQ(fifo.err, (dir / linea_txt).string() + ": error: cannot read the line description: is a FIFO\n");

  const Outcome manca = scenarioc("compile " + q(dir / "nowhere"));
  EXPECT_EQ(manca.status, 2);
  EXPECT_EQ(manca.err, "scenarioc: cannot compile \"" + (dir / "nowhere").string() + "\": does not exist\n");
  const Outcome file = scenarioc("compile " + q(dir / treno_txt));
  EXPECT_EQ(file.err, "scenarioc: cannot compile \"" + (dir / treno_txt).string() + "\": is not a directory\n");

  // The temporary directory plays no part any more.
  fs::remove(dir / linea_txt);
  fs::copy_file(e.src / linea_txt, dir / linea_txt);
  const Outcome tmp = scenarioc("compile " + q(dir.path()) + "; TMPDIR=/nowhere " + exe + " compile " + q(dir.path()));
  EXPECT_EQ(tmp.status, 0) << tmp.err;
}

// A NUL in a number is shown as \0, and a line of a megabyte is cut around
// the caret instead of being echoed whole.
TEST(ScenariocFiles, AnOffendingLineIsShownEscapedAndCut) {
  const Embedded& e = embedded();
  TempDir dir;
  std::string linea = read_bytes(e.src / linea_txt);
  const std::string record = "pendenza,  7100,   4";
  const std::size_t at = linea.find(record);
  ASSERT_NE(at, std::string::npos);
  std::string nul = linea;
  nul.replace(at, record.size(), record + std::string("\0x", 2));
  write_bytes(dir / linea_txt, nul);
  fs::copy_file(e.src / treno_txt, dir / treno_txt);
  const Outcome r = scenarioc("compile " + q(dir.path()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(": error 25: the description could not be read: \"4\\0x\" is not a whole number\n"
                       "pendenza,  7100,   4\\0x\n"
                       "                   ^~~~\n"),
            std::string::npos)
      << r.err;

  std::string lunga = linea;
  lunga.replace(at, record.size(), "pendenza,  7100, " + std::string(1 << 20, ' ') + "4x" + std::string(1 << 20, ' '));
  write_bytes(dir / linea_txt, lunga);
  const Outcome l = scenarioc("compile " + q(dir.path()));
  EXPECT_EQ(l.status, 1);
  EXPECT_LT(l.err.size(), 2000u);
  const std::string atteso = ": error 25: the description could not be read: \"4x\" is not a whole number\n"
                             "…" + std::string(60, ' ') + "4x" + std::string(58, ' ') + "…\n" +
                             std::string(61, ' ') + "^~\n";
  EXPECT_NE(l.err.find(atteso), std::string::npos) << l.err;
}

}  // namespace
