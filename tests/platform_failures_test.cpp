// What a failed file operation says: what was in the way, under the name
// the user gave.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using testing_support::write_bytes;

std::string failure_of(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const platform::Failure& e) {
    return e.what();
  }
  return "no failure";
}

TEST(PlatformFailures, SayWhatIsInTheWay) {
  TempDir dir;
  fs::create_directory(dir / "cartella");
  const std::string folder = (dir / "cartella").string();
  const std::string missing = (dir / "mancante.txt").string();
  EXPECT_EQ(failure_of([&] { platform::read_file(missing); }),
            "cannot open \"" + missing + "\": does not exist");
  EXPECT_EQ(failure_of([&] { platform::delete_file(missing); }),
            "cannot delete \"" + missing + "\": does not exist");
#if !defined(_WIN32)
  // Windows refuses to open a directory; POSIX opens it and refuses to read.
  EXPECT_EQ(failure_of([&] { platform::read_file(folder); }),
            "cannot read \"" + folder + "\": is a directory");
#else
  EXPECT_EQ(failure_of([&] { platform::read_file(folder); }),
            "cannot open \"" + folder + "\": is a directory");
#endif
}

#if !defined(_WIN32)
TEST(PlatformFailures, AnUnusableTemporaryDirectoryIsNamedWithItsSetting) {
  TempDir dir;
  write_bytes(dir / "file.txt", "x");
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before ? before : "";
  for (const auto& [value, reason] :
       {std::pair{(dir / "mancante").string(), "does not exist"},
        std::pair{(dir / "file.txt").string(), "is not a directory"}}) {
    setenv("TMPDIR", value.c_str(), 1);
    EXPECT_EQ(failure_of([] { platform::create_private_directory("scenarioc-"); }),
              "cannot use the temporary directory \"" + value + "\": " + reason +
                  " (set by TMPDIR)");
  }
  if (before) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}
#endif

}  // namespace
