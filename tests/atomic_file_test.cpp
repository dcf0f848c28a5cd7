// One file replaced whole: what is on disk after a failure at every step,
// links at the target's name, and what a refused replacement says.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using platform::testing::Fault;
using platform::testing::FaultPlan;
using platform::testing::Operation;
using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::TempDir;
using testing_support::write_bytes;

using Names = std::vector<std::string>;

// The line file is written in chunks, as the compiled files are.
const std::string chunks[] = {std::string(3000, 'a'), std::string(5000, 'b'), "fine"};

void write_in_chunks(const std::string& path) {
  platform::AtomicFile file(path);
  for (const std::string& c : chunks) file.write(c);
  file.commit();
}

TEST(AtomicFile, TheTargetChangesOnlyAtCommit) {
  TempDir dir;
  const std::string target = (dir / "Belvara_Quintosa_linea.dat").string();
  write_bytes(target, "old");
  {
    platform::AtomicFile file(target);
    file.write(chunks[0]);
    // Written beside the target, under a name of its own.
    const Names during = names_in(dir.path());
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[0].rfind(".Belvara_Quintosa_linea.dat.tmp-", 0), 0u) << during[0];
    EXPECT_EQ(read_bytes(target), "old");
    file.write(chunks[1]);
    file.commit();
    EXPECT_EQ(read_bytes(target), chunks[0] + chunks[1]);
    EXPECT_THROW(file.write("more"), platform::Failure);
  }
  EXPECT_EQ(names_in(dir.path()), Names{"Belvara_Quintosa_linea.dat"});

  // Given up, by discard() or by leaving the scope: the old file stays.
  {
    platform::AtomicFile file(target);
    file.write("new");
    file.discard();
    EXPECT_THROW(file.commit(), platform::Failure);
  }
  {
    platform::AtomicFile file(target);
    file.write("new");
  }
  EXPECT_EQ(read_bytes(target), chunks[0] + chunks[1]);
  EXPECT_EQ(names_in(dir.path()), Names{"Belvara_Quintosa_linea.dat"});
}

TEST(AtomicFile, AFailureAtEveryStepLeavesTheOldFileAndNoTemporary) {
  // How many of each operation one replacement takes.
  int counts[platform::testing::operation_count];
  {
    TempDir dir;
    FaultPlan plan;
    write_in_chunks((dir / "f.dat").string());
    for (std::size_t op = 0; op < std::size(counts); ++op) {
      counts[op] = plan.count(static_cast<Operation>(op));
    }
  }
  EXPECT_EQ(counts[static_cast<int>(Operation::write)], 3);

  const struct {
    Fault fault;
    const char* reason;
  } faults[] = {
#if defined(_WIN32)
      {Fault::no_space, "no space left on the disk"},
      {Fault::io_error, "input/output error"},
      {Fault::access_denied, "access denied"},
#else
      {Fault::no_space, "no space left on the device"},
      {Fault::io_error, "input/output error"},
      {Fault::access_denied, "permission denied"},
#endif
  };
  int tried = 0;
  for (const Operation op :
       {Operation::create, Operation::write, Operation::flush, Operation::rename}) {
    for (int n = 1; n <= counts[static_cast<int>(op)]; ++n) {
      for (const auto& f : faults) {
        for (const bool had_old : {true, false}) {
          SCOPED_TRACE("operation " + std::to_string(static_cast<int>(op)) + " #" +
                       std::to_string(n) + ": " + f.reason +
                       (had_old ? ", over an old file" : ", a new file"));
          TempDir dir;
          const std::string target = (dir / "f.dat").string();
          if (had_old) write_bytes(target, "old");
          FaultPlan plan;
          plan.fail(op, n, f.fault);
          try {
            write_in_chunks(target);
            ADD_FAILURE() << "no failure";
          } catch (const platform::Failure& e) {
            EXPECT_EQ(e.path(), target);
            const std::string what = e.what();
            EXPECT_EQ(what.substr(what.size() - std::string(f.reason).size()), f.reason) << what;
          }
          if (had_old) {
            EXPECT_EQ(names_in(dir.path()), Names{"f.dat"});
            EXPECT_EQ(read_bytes(target), "old");
          } else {
            EXPECT_EQ(names_in(dir.path()), Names{});
          }
          ++tried;
        }
      }
    }
  }
  EXPECT_EQ(tried, (1 + 3 + 1 + 1) * 3 * 2);
}

TEST(AtomicFile, AFileWhoseWriteFailedIsNeverCommitted) {
  TempDir dir;
  const std::string target = (dir / "f.dat").string();
  write_bytes(target, "old");
  platform::AtomicFile file(target);
  file.write(chunks[0]);
  {
    FaultPlan plan;
    plan.fail(Operation::write, 1, Fault::no_space);
    EXPECT_THROW(file.write(chunks[1]), platform::Failure);
  }
  // A caller that goes on regardless does not get a file with a hole.
  EXPECT_THROW(file.write(chunks[2]), platform::Failure);
  EXPECT_THROW(file.commit(), platform::Failure);
  EXPECT_EQ(read_bytes(target), "old");
  EXPECT_EQ(names_in(dir.path()), Names{"f.dat"});
}

TEST(AtomicFile, RefusalsSayWhatIsInTheWay) {
  TempDir dir;
  fs::create_directory(dir / "cartella");
  write_bytes(dir / "file.txt", "x");
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {(dir / "cartella").string(),
       "cannot write \"" + (dir / "cartella").string() + "\": is a directory"},
      {(dir / "nowhere" / "f.dat").string(),
       "cannot create \"" + (dir / "nowhere" / "f.dat").string() + "\": its folder does not exist"},
      {"", "cannot write: names no file"},
  };
  for (const auto& c : cases) {
    try {
      platform::replace_file(c.path, "new");
      ADD_FAILURE() << "no failure for " << c.path;
    } catch (const platform::Failure& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  EXPECT_EQ(names_in(dir.path()), (Names{"cartella", "file.txt"}));
  EXPECT_TRUE(fs::is_empty(dir / "cartella"));
}

#if !defined(_WIN32)
TEST(AtomicFile, ALinkAtTheNameIsReplacedNotFollowed) {
  TempDir dir;
  write_bytes(dir / "altrove.dat", "someone else's");
  fs::create_symlink(dir / "altrove.dat", dir / "f.dat");
  fs::create_symlink(dir / "altrove.dat", dir / "g.dat");
  write_bytes(dir / "sorgente.dat", std::string(3 << 20, 'c') + "end");

  platform::replace_file((dir / "f.dat").string(), "new");
  // copy_file, and so move_file between file systems, goes the same way.
  platform::copy_file((dir / "sorgente.dat").string(), (dir / "g.dat").string());

  EXPECT_FALSE(fs::is_symlink(dir / "f.dat"));
  EXPECT_FALSE(fs::is_symlink(dir / "g.dat"));
  EXPECT_EQ(read_bytes(dir / "f.dat"), "new");
  EXPECT_EQ(read_bytes(dir / "g.dat"), read_bytes(dir / "sorgente.dat"));
  EXPECT_EQ(read_bytes(dir / "altrove.dat"), "someone else's");
  EXPECT_EQ(names_in(dir.path()), (Names{"altrove.dat", "f.dat", "g.dat", "sorgente.dat"}));
}
#endif

}  // namespace
