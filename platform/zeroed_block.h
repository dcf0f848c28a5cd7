// Memory for one large array straight from the system: zero-filled, and
// supplied a page at a time as it is first touched, so an array sized for
// the worst case costs only what is used. Blocks under 2 MB given up are
// kept, four at most, and handed out again cleared, so that a process that
// compiles again and again reuses them without page faults. Where the system offers them on
// request (Linux), the pages are 2 MiB ones: a 20 MB plan then costs ten
// page faults rather than five thousand, and those faults, not the
// arithmetic, were most of a large compile's time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class ZeroedBlock {
 public:
  ZeroedBlock() = default;
  // Throws std::bad_alloc when the system has no room.
  explicit ZeroedBlock(std::size_t bytes);
  ZeroedBlock(ZeroedBlock&& other) noexcept;
  ZeroedBlock& operator=(ZeroedBlock&& other) noexcept;
  ZeroedBlock(const ZeroedBlock&) = delete;
  ZeroedBlock& operator=(const ZeroedBlock&) = delete;
  ~ZeroedBlock();

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void release() noexcept;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  // What the system handed out, which may start before data_ (kept for a
  // later small block when given up).
  void* mapping_ = nullptr;
  std::size_t mapped_ = 0;
};

// Supplies the pages of `bytes` bytes at `memory`, within a ZeroedBlock,
// now, zeroed, as their first touch would: for a thread that readies memory
// another thread is about to fill, which then finds it there instead of
// waiting at each page. Writes no byte, so it may run while the other
// thread writes. Does nothing where the system cannot do it.
void populate(std::uint8_t* memory, std::size_t bytes) noexcept;

}  // namespace platform
