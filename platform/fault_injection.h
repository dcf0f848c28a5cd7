// A test hook of the platform layer: makes chosen file operations fail as
// the system would (a full disk, an I/O error, a refusal), so a test can
// check that what is left on disk is still whole after a failure at every
// step. Costs one untaken branch per operation when no plan is set.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace platform::testing {

// The operations that can be made to fail: creating a file or folder, one
// AtomicFile::write call, flushing a file to the disk, giving a file a
// second name (a hard link), renaming.
enum class Operation { create, write, flush, link, rename };
inline constexpr std::size_t operation_count = 5;

// no_links: the refusal of a file system without hard links (FAT), for
// Operation::link.
enum class Fault { no_space, io_error, access_denied, no_links };

// While a plan lives, the platform layer counts its operations, and those
// chosen fail with the fault given, as if the system had refused them.
// One plan at a time, on one thread.
class FaultPlan {
 public:
  FaultPlan();
  ~FaultPlan();
  FaultPlan(const FaultPlan&) = delete;
  FaultPlan& operator=(const FaultPlan&) = delete;

  // The nth `operation` from now on (the first is 1) fails with `fault`.
  FaultPlan& fail(Operation operation, int nth, Fault fault);
  // How many `operation` were tried since the plan was set.
  int count(Operation operation) const;

  // Called by the platform layer at each operation: counts it and says
  // whether it fails.
  std::optional<Fault> next(Operation operation);

 private:
  struct Planned {
    Operation operation;
    int nth;
    Fault fault;
  };
  std::vector<Planned> planned_;
  std::array<int, operation_count> counts_{};
};

}  // namespace platform::testing
