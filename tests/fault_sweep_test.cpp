// Every file operation of compile, texts, render and the one-shot run made
// to fail in turn, as a full disk, an I/O error or a refusal would: after
// each, the folder holds the files it had or the whole new set, never a
// part of it, and nothing else (no temporary file or staging folder), and
// the run says which.
#include <gtest/gtest.h>

#include <array>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "driver/one_shot_run.h"
#include "model/model.h"
#include "platform/fault_injection.h"
#include "test_support.h"
#include "tool/run.h"

namespace {

namespace fs = std::filesystem;
using platform::testing::Fault;
using platform::testing::FaultPlan;
using platform::testing::Operation;
using testing_support::folder_contents;
using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::TempDir;
using testing_support::write_bytes;

using Contents = std::map<std::string, std::string>;


// scenarioc in this process, its output kept from the test's.
int scenarioc(std::vector<std::string> args) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = scenarioc::run(args);
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  return status;
}

// A job over one folder: `prepare` puts the files the folder has before,
// `run` does the job there and says whether it reported success.
struct Job {
  std::function<void(const fs::path&)> prepare;
  std::function<bool(const fs::path&)> run;
};

const char* name_of(Operation op) {
  static constexpr const char* names[] = {"create", "write", "flush", "link", "rename"};
  return names[static_cast<int>(op)];
}

constexpr std::array operations = {Operation::create, Operation::write, Operation::flush,
                                   Operation::link, Operation::rename};

// Runs the job once as is, to learn the new set and how many of each
// operation it takes, then once for each of those operations failing.
// `no_links`: on a file system without hard links (FAT), where every link
// is refused and the old files are renamed aside instead.
void sweep(const Job& job, bool no_links = false) {
  auto plan_links = [&](FaultPlan& plan, int links) {
    if (no_links)
      for (int n = 1; n <= links; ++n) plan.fail(Operation::link, n, Fault::no_links);
  };
  Contents old_set, new_set;
  std::array<int, operations.size()> counts{};
  {
    TempDir dir;
    job.prepare(dir.path());
    old_set = folder_contents(dir.path());
    FaultPlan plan;
    plan_links(plan, 100);
    ASSERT_TRUE(job.run(dir.path()));
    for (Operation op : operations) counts[static_cast<std::size_t>(op)] = plan.count(op);
    new_set = folder_contents(dir.path());
  }
  ASSERT_NE(old_set, new_set);

  const std::map<Operation, Fault> faults = {{Operation::create, Fault::no_space},
                                             {Operation::write, Fault::no_space},
                                             {Operation::flush, Fault::io_error},
                                             {Operation::link, Fault::access_denied},
                                             {Operation::rename, Fault::io_error}};
  int failed = 0;
  for (const auto& [op, fault] : faults) {
    if (no_links && op == Operation::link) continue;
    for (int nth = 1; nth <= counts[static_cast<std::size_t>(op)]; ++nth) {
      TempDir dir;
      job.prepare(dir.path());
      bool ok = false;
      {
        FaultPlan plan;
        plan_links(plan, counts[static_cast<std::size_t>(Operation::link)]);
        plan.fail(op, nth, fault);
        ok = job.run(dir.path());
      }
      failed += ok ? 0 : 1;
      EXPECT_EQ(folder_contents(dir.path()), ok ? new_set : old_set)
          << name_of(op) << " " << nth << " failing, the run " << (ok ? "succeeded" : "failed");
    }
  }
  // Every operation counted is one the run cannot do without.
  int total = 0;
  for (const auto& [op, fault] : faults) {
    if (!(no_links && op == Operation::link)) total += counts[static_cast<std::size_t>(op)];
  }
  EXPECT_EQ(failed, total);
}

// The embedded texts, and the files compile makes of them.
struct Embedded {
  TempDir src, compiled;
  Embedded() {
    EXPECT_EQ(scenarioc({"texts", src.str()}), 0);
    EXPECT_EQ(scenarioc({"compile", "--out", compiled.str(), src.str()}), 0);
  }
};

const Embedded& embedded() {
  static const Embedded e;
  return e;
}

void put_earlier(const fs::path& dir, const std::vector<std::string>& names) {
  for (const std::string& n : names) write_bytes(dir / n, "earlier " + n);
}

const std::vector<std::string> compiled_names = {
    "Belvara_Quintosa_linea.dat", "Belvara_Quintosa_254.sim", "Belvara_Quintosa_254.dat"};

Job compile_job() {
  embedded();  // made now, not while a sweep counts operations
  return {[](const fs::path& out) { put_earlier(out, compiled_names); },
          [](const fs::path& out) {
            const int status = scenarioc({"compile", "--out", out.string(), embedded().src.str()});
            // 2 is the status that says the folder kept its files.
            EXPECT_TRUE(status == 0 || status == 2) << status;
            return status == 0;
          }};
}

TEST(FaultSweep, Compile) { sweep(compile_job()); }

TEST(FaultSweep, CompileWithoutLinks) { sweep(compile_job(), true); }

TEST(FaultSweep, Texts) {
  sweep({[](const fs::path&) {},
         [](const fs::path& dir) {
           const int status = scenarioc({"texts", dir.string()});
           EXPECT_TRUE(status == 0 || status == 2) << status;
           return status == 0;
         }});
}

TEST(FaultSweep, Render) {
  embedded();
  sweep({[](const fs::path& dir) {
           for (const std::string& n : compiled_names) fs::copy_file(embedded().compiled / n, dir / n);
           put_earlier(dir, {"Belvara_Quintosa_254.svg"});
         },
         [](const fs::path& dir) {
           const int status = scenarioc({"render", dir.string()});
           EXPECT_TRUE(status == 0 || status == 2) << status;
           return status == 0;
         }});
}

TEST(FaultSweep, OneShotRun) {
  sweep({[](const fs::path& dir) {
           put_earlier(dir, compiled_names);
           put_earlier(dir, {"Belvara_Quintosa_254_note.txt", "Belvara_Quintosa_254_rallentamenti.txt",
                             "Belvara_Quintosa_254_scheda_treno.txt"});
         },
         [](const fs::path& dir) {
           scenario::Modello m;
           m.nome_scenario = "Belvara_Quintosa";
           m.numero_treno = "254";
           try {
             return scenario::write_scenario_into(m, dir.string()).has_files();
           } catch (const std::exception&) {
             return false;
           }
         }});
}

}  // namespace
