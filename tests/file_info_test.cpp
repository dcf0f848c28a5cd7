// What a name leads to: its kind, its size and which file it is, however
// the name is spelled; and reading only what is a file of bounded size.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using platform::FileKind;
using testing_support::TempDir;
using testing_support::write_bytes;

TEST(FileInfo, KindsAndSizes) {
  TempDir dir;
  write_bytes(dir / "S_254.sim", "12345");
  fs::create_directory(dir / "cartella");
  const struct {
    std::string path;
    FileKind kind;
    std::uint64_t size;
  } cases[] = {
      {(dir / "S_254.sim").string(), FileKind::regular, 5},
      {(dir / "cartella").string(), FileKind::directory, 0},
      {(dir / "mancante").string(), FileKind::missing, 0},
      {(dir / "S_254.sim" / "dentro").string(), FileKind::missing, 0},
#if defined(_WIN32)
      {"NUL", FileKind::device, 0},
#else
      {(dir / "coda").string(), FileKind::fifo, 0},
      {"/dev/null", FileKind::device, 0},
      {(dir / "collegamento").string(), FileKind::regular, 5},  // a link is followed
#endif
  };
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo((dir / "coda").c_str(), 0600), 0);
  fs::create_symlink(dir / "S_254.sim", dir / "collegamento");
#endif
  for (const auto& c : cases) {
    const platform::FileInfo info = platform::file_info(c.path);
    EXPECT_EQ(info.kind, c.kind) << c.path;
    EXPECT_EQ(info.size, c.size) << c.path;
  }
}

TEST(FileInfo, OneFileUnderAnySpelling) {
  TempDir dir;
  fs::create_directory(dir / "uscita");
  const fs::path sim = dir / "uscita" / "S_254.sim";
  write_bytes(sim, "route");
  write_bytes(dir / "uscita" / "S_254.dat", "route");  // the same bytes, another file
  fs::create_hard_link(sim, dir / "altro_nome.sim");
  const fs::path here = fs::current_path();
  fs::current_path(dir.path());
  const std::string same[] = {
      "uscita/S_254.sim",
      "./uscita//S_254.sim",
      "uscita/../uscita/S_254.sim",
      sim.string(),
      "altro_nome.sim",
  };
  for (const std::string& name : same) EXPECT_TRUE(platform::same_file(sim.string(), name)) << name;
  EXPECT_FALSE(platform::same_file(sim.string(), "uscita/S_254.dat"));
  EXPECT_FALSE(platform::same_file("uscita/mancante", "uscita/mancante"));
  fs::current_path(here);
}

TEST(ReadFileLimited, ReadsAFileUpToTheLimit) {
  TempDir dir;
  write_bytes(dir / "f", "12345");
  EXPECT_EQ(platform::read_file_limited((dir / "f").string(), 5), "12345");
  write_bytes(dir / "vuoto", "");
  EXPECT_EQ(platform::read_file_limited((dir / "vuoto").string(), 0), "");
}

TEST(ReadFileLimited, RefusesWhatItMustNotReadAtOnce) {
  TempDir dir;
  write_bytes(dir / "f", "123456");
  fs::create_directory(dir / "cartella");
  // 400 MB, none of it on the disk. Its size in the message is what the
  // system says, not what was read: reading stops after the limit.
  write_bytes(dir / "rado", "");
  fs::resize_file(dir / "rado", 400'000'000);
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {(dir / "f").string(), "is 6 bytes, more than the 5 bytes allowed"},
      {(dir / "rado").string(), "is 400000000 bytes, more than the 5 bytes allowed"},
      {(dir / "cartella").string(), "is a directory"},
      {(dir / "mancante").string(), "does not exist"},
#if defined(_WIN32)
      {"NUL", "is a device"},
#else
      {"/dev/zero", "is a device"},
      // Nobody writes into it: reading would wait for ever.
      {(dir / "coda").string(), "is a FIFO"},
#endif
  };
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo((dir / "coda").c_str(), 0600), 0);
#endif
  for (const auto& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    try {
      platform::read_file_limited(c.path, 5);
      ADD_FAILURE() << "no failure for " << c.path;
    } catch (const platform::Failure& e) {
      EXPECT_EQ(std::string(e.what()), "cannot read \"" + c.path + "\": " + c.reason);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.path;
  }
}

}  // namespace
