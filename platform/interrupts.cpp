// The list of paths an interrupt removes before the program ends. The
// backends install what takes the interrupt; this is what it runs.
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_internal.h"

namespace platform {
namespace detail {
namespace {

struct Cleanup {
  std::uint64_t id;
  std::string path;
};

// Never destroyed: an interrupt may come while static objects are being
// destroyed at the end of the program.
std::vector<Cleanup>& cleanups() {
  static auto* list = new std::vector<Cleanup>;
  return *list;
}

std::uint64_t last_id = 0;

}  // namespace

std::recursive_mutex& interrupt_lock() {
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

std::uint64_t add_cleanup(std::string path) {
  std::lock_guard lock(interrupt_lock());
  cleanups().push_back({++last_id, std::move(path)});
  return last_id;
}

void drop_cleanup(std::uint64_t id) noexcept {
  std::lock_guard lock(interrupt_lock());
  std::vector<Cleanup>& list = cleanups();
  std::erase_if(list, [id](const Cleanup& c) { return c.id == id; });
}

void run_cleanups() noexcept {
  // The latest first: a temporary file before the folder it is in.
  const std::vector<Cleanup>& list = cleanups();
  for (auto c = list.rbegin(); c != list.rend(); ++c) {
    std::error_code ignored;
    std::filesystem::remove_all(c->path, ignored);
  }
}

}  // namespace detail

RemoveOnInterrupt::RemoveOnInterrupt(std::string path)
    : id_(detail::add_cleanup(std::move(path))) {}

RemoveOnInterrupt::~RemoveOnInterrupt() { detail::drop_cleanup(id_); }

InterruptsDeferred::InterruptsDeferred() { detail::interrupt_lock().lock(); }

InterruptsDeferred::~InterruptsDeferred() { detail::interrupt_lock().unlock(); }

}  // namespace platform
