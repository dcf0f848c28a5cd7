// A set of files published all or nothing: after a failure at any step the
// folder holds the old set, and once the staging folder is gone nothing
// else is left.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "test_support.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

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

using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>;

const Names set = {"S_linea.dat", "S_254.sim", "S_254.dat"};

// The old set lacks the line file, as after a compile without the plan;
// a file of another set stands beside it.
const Contents old_set = {
    {"S_254.sim", "old route"}, {"S_254.dat", "old cells"}, {"altro.txt", "x"}};
const Contents new_set = {{"S_linea.dat", "new plan"},
                          {"S_254.sim", "new route"},
                          {"S_254.dat", "new cells"},
                          {"altro.txt", "x"}};


// A folder holding the old set and a staging folder with the new one.
struct Publication {
  TempDir dir;
  std::optional<platform::StagingFolder> staging;

  Publication() {
    for (const auto& [name, bytes] : old_set) write_bytes(dir / name, bytes);
    staging.emplace(dir.str(), ".prova-");
    for (const std::string& name : set) {
      platform::replace_file(staging->staged(name), new_set.at(name));
    }
  }
};

TEST(StagingFolder, PublishesTheSetAndLeavesNothingElse) {
  Publication p;
  const fs::path staged = p.staging->path();
  EXPECT_EQ(staged.parent_path(), p.dir.path());
  EXPECT_EQ(staged.filename().string().rfind(".prova-", 0), 0u) << staged;
#if !defined(_WIN32)
  struct stat st;
  ASSERT_EQ(stat(staged.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
  EXPECT_EQ(folder_contents(p.dir.path()).at("S_254.sim"), "old route");
  p.staging->publish(set);
  p.staging.reset();
  EXPECT_EQ(folder_contents(p.dir.path()), new_set);
}

// How many of each operation a publication of the set takes.
int count_of(Operation op) {
  Publication p;
  FaultPlan plan;
  p.staging->publish(set);
  return plan.count(op);
}

TEST(StagingFolder, AFailureAtEveryStepLeavesTheOldSet) {
  struct Case {
    Operation op;
    int nth;
    Fault fault;
    // Links refused by the file system: the old files are moved aside instead.
    bool without_links;
  };
  std::vector<Case> cases;
  const int links = count_of(Operation::link);
  const int renames = count_of(Operation::rename);
  ASSERT_EQ(links, 2);  // the two old files
  ASSERT_EQ(renames, 3);
  for (int n = 1; n <= links; ++n) cases.push_back({Operation::link, n, Fault::io_error, false});
  for (int n = 1; n <= renames; ++n) {
    cases.push_back({Operation::rename, n, Fault::access_denied, false});
  }
  // Without links, two more renames: each old file moved aside.
  for (int n = 1; n <= renames + 2; ++n) {
    cases.push_back({Operation::rename, n, Fault::no_space, true});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE("operation " + std::to_string(static_cast<int>(c.op)) + " #" +
                 std::to_string(c.nth) + (c.without_links ? " without links" : ""));
    Publication p;
    {
      FaultPlan plan;
      if (c.without_links) {
        plan.fail(Operation::link, 1, Fault::no_links).fail(Operation::link, 2, Fault::no_links);
      }
      plan.fail(c.op, c.nth, c.fault);
      try {
        p.staging->publish(set);
        ADD_FAILURE() << "no failure";
      } catch (const platform::Failure& e) {
        // Names one file of the set, in the folder.
        EXPECT_EQ(fs::path(e.path()).parent_path(), p.dir.path()) << e.what();
        EXPECT_EQ(std::string(e.what()).find("put back"), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(folder_contents(p.dir.path()).at("S_254.sim"), "old route");
    p.staging.reset();
    EXPECT_EQ(folder_contents(p.dir.path()), old_set);
  }
}

TEST(StagingFolder, WithoutLinksTheSetIsPublishedAllTheSame) {
  Publication p;
  {
    FaultPlan plan;
    plan.fail(Operation::link, 1, Fault::no_links).fail(Operation::link, 2, Fault::no_links);
    p.staging->publish(set);
  }
  p.staging.reset();
  EXPECT_EQ(folder_contents(p.dir.path()), new_set);
}

TEST(StagingFolder, WhatCannotBePutBackIsKeptAndNamed) {
  Publication p;
  const std::string staged = p.staging->path();
  {
    FaultPlan plan;
    // The route file's rename fails, and then so does putting back the
    // line file, which had no old file: the new one stays.
    plan.fail(Operation::rename, 2, Fault::io_error).fail(Operation::rename, 3, Fault::io_error);
    try {
      p.staging->publish(set);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure& e) {
      EXPECT_EQ(e.path(), (p.dir / "S_254.sim").string());
      EXPECT_NE(std::string(e.what()).find("\"" + (p.dir / "S_linea.dat").string() +
                                           "\" could not be put back (input/output error)"),
                std::string::npos)
          << e.what();
    }
  }
  p.staging.reset();
  Contents left = folder_contents(p.dir.path());
  EXPECT_EQ(left.at("S_linea.dat"), "new plan");
  EXPECT_EQ(left.at("S_254.sim"), "old route");
  EXPECT_EQ(left.at("S_254.dat"), "old cells");

  // An old file that cannot be put back is kept in the staging folder,
  // which then stays.
  Publication q;
  const std::string kept = q.staging->path();
  {
    FaultPlan plan;
    // The cell file's rename fails; putting back the route file fails.
    plan.fail(Operation::rename, 3, Fault::io_error).fail(Operation::rename, 4, Fault::io_error);
    try {
      q.staging->publish(set);
      ADD_FAILURE() << "no failure";
    } catch (const platform::Failure& e) {
      EXPECT_NE(std::string(e.what()).find("its old copy is kept as \"" + kept), std::string::npos)
          << e.what();
    }
  }
  q.staging.reset();
  ASSERT_TRUE(fs::is_directory(kept));
  bool found = false;
  for (const std::string& name : names_in(kept)) {
    found = found || read_bytes(fs::path(kept) / name) == "old route";
  }
  EXPECT_TRUE(found) << "no old copy of the route file in " << kept;
}

TEST(StagingFolder, RefusesWhatIsNotASetBeforeChangingAnything) {
  const std::vector<Names> wrong = {
      {"S_linea.dat", "S_linea.dat"},  // twice
      {"S_254.sim", "sub/S_254.dat"},  // not a plain name
      {"S_254.sim", ".."},             // not a file's name
      {"S_254.sim", "mancante.dat"},   // not staged
      {"S_254.sim", "cartella"},       // a directory stands there
  };
  for (const Names& names : wrong) {
    Publication p;
    fs::create_directory(p.dir / "cartella");
    platform::replace_file(p.staging->staged("cartella"), "x");
    EXPECT_THROW(p.staging->publish(names), platform::Failure) << names[1];
    p.staging.reset();
    EXPECT_EQ(names_in(p.dir.path()), (Names{"S_254.dat", "S_254.sim", "altro.txt", "cartella"}));
    fs::remove(p.dir / "cartella");
    EXPECT_EQ(folder_contents(p.dir.path()), old_set);
  }
}

TEST(StagingFolder, NeedsAnExistingFolder) {
  TempDir dir;
  write_bytes(dir / "file.txt", "x");
  const struct {
    std::string folder;
    std::string message;
  } cases[] = {
      {(dir / "nowhere").string(),
       "cannot write into \"" + (dir / "nowhere").string() + "\": does not exist"},
      {(dir / "file.txt").string(),
       "cannot write into \"" + (dir / "file.txt").string() + "\": is not a directory"},
  };
  for (const auto& c : cases) {
    try {
      platform::StagingFolder staging(c.folder);
      ADD_FAILURE() << "no failure for " << c.folder;
    } catch (const platform::Failure& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  EXPECT_EQ(names_in(dir.path()), Names{"file.txt"});
}

// The one publishing step: its turn taken, what killed runs of its prefix
// left removed (and nothing else), the set staged and published (the old
// files going in a process of their own, which holds the folder's turn
// until they are gone); dropped before publishing, it leaves the folder as
// it was.
TEST(OutputSet, ClearsStaleStagingThenPublishesOrLeavesTheFolderAsItWas) {
  TempDir dir;
  for (const auto& [name, bytes] : old_set) write_bytes(dir / name, bytes);
  fs::create_directory(dir / ".prova-0123456789ab");
  write_bytes(dir / ".prova-0123456789ab" / "S_254.sim", "half");
  fs::create_directory(dir / ".altra-0123456789ab");
  {
    platform::OutputSet unpublished(dir.str(), ".prova-");
    for (const std::string& name : set) platform::replace_file(unpublished.staged(name), new_set.at(name));
  }
  Contents expected = old_set;
  expected[".altra-0123456789ab"] = "<folder>";
  EXPECT_EQ(folder_contents(dir.path()), expected);

  {
    platform::OutputSet published(dir.str(), ".prova-");
    for (const std::string& name : set) platform::replace_file(published.staged(name), new_set.at(name));
    published.publish(set);
  }
  expected = new_set;
  expected[".altra-0123456789ab"] = "<folder>";
  EXPECT_EQ(folder_contents(dir.path()), expected);
}

}  // namespace
