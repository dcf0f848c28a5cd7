// Shared by both backends: the failure type, byte-view conveniences and the
// directory and file-moving operations, which std::filesystem makes the same
// on every system.
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/platform.h"

namespace platform {

namespace fs = std::filesystem;

Failure::Failure(std::string operation, std::string path, std::string reason)
    : std::runtime_error("cannot " + operation + " \"" + path + "\"" +
                         (reason.empty() ? "" : ": " + reason)),
      operation_(std::move(operation)),
      path_(std::move(path)) {}

void OutputFile::write(std::string_view bytes) {
  write(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string create_private_directory(std::string_view prefix) {
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  if (ec) throw Failure("find the temporary directory", "", ec.message());
  std::random_device seed;
  std::mt19937_64 random(static_cast<std::uint64_t>(seed()) << 32 | seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / (std::string(prefix) + std::to_string(random()));
    // create_directory is false without an error when the name is taken:
    // then another name is tried, so nobody else's directory is ever used.
    if (!fs::create_directory(candidate, ec)) {
      if (ec) throw Failure("create the directory", candidate.string(), ec.message());
      continue;
    }
    fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec) {
      std::error_code ignored;
      fs::remove(candidate, ignored);
      throw Failure("make private the directory", candidate.string(), ec.message());
    }
    return candidate.string();
  }
  throw Failure("create a temporary directory in", base.string(), "every name tried was taken");
}

void remove_tree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  if (ec) throw Failure("remove the directory", path, ec.message());
}

bool directory_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

void create_directories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (!directory_exists(path))
    throw Failure("create the directory", path, ec ? ec.message() : "a file stands there");
}

void copy_file(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) throw Failure("copy a file to", to, ec.message());
}

void move_file(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return;
  if (ec != std::errc::cross_device_link) throw Failure("move a file to", to, ec.message());
  copy_file(from, to);
  delete_file(from);
}

std::vector<std::string> list_files(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_regular_file(kind)) names.push_back(it->path().filename().string());
  }
  if (ec) throw Failure("list the directory", dir, ec.message());
  return names;
}

}  // namespace platform
