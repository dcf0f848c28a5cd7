#include "platform/zeroed_block.h"

#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace platform {
namespace {

#if defined(_WIN32)

void* map(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}
void unmap(void* p, std::size_t) { VirtualFree(p, 0, MEM_RELEASE); }

#else

void* map(std::size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}
void unmap(void* p, std::size_t bytes) { munmap(p, bytes); }

#endif

#if defined(MADV_HUGEPAGE)
constexpr std::size_t large_page = std::size_t{2} << 20;
#endif
// Blocks below this are kept when given up, four at most (a plan takes two:
// the embedded scenario's, two of 850 KB; a caller often holds the last
// plan while it makes the next), and handed out again cleared.
constexpr std::size_t small_block = std::size_t{2} << 20;
constexpr int kept_places = 4;

struct Shelf {
  std::mutex lock;
  void* block[kept_places] = {};
  std::size_t bytes[kept_places] = {};
};

// Never destroyed: blocks may be given up after static destructors ran.
Shelf& shelf() {
  static Shelf* const s = new Shelf;
  return *s;
}

// The smallest kept block of at least `bytes`, taken off the shelf.
void* take_kept(std::size_t bytes, std::size_t& kept_bytes) {
  Shelf& s = shelf();
  std::lock_guard guard(s.lock);
  int best = -1;
  for (int i = 0; i < kept_places; ++i) {
    if (s.block[i] != nullptr && s.bytes[i] >= bytes && (best < 0 || s.bytes[i] < s.bytes[best])) best = i;
  }
  if (best < 0) return nullptr;
  kept_bytes = s.bytes[best];
  return std::exchange(s.block[best], nullptr);
}

// Keeps a small block in an empty place or in place of a smaller kept
// block; what is not kept goes back to the system.
void keep(void* block, std::size_t bytes) {
  {
    Shelf& s = shelf();
    std::lock_guard guard(s.lock);
    int place = 0;
    for (int i = 0; i < kept_places; ++i) {
      if (s.block[i] == nullptr) {
        place = i;
        break;
      }
      if (s.bytes[i] < s.bytes[place]) place = i;
    }
    if (s.block[place] == nullptr || s.bytes[place] < bytes) {
      std::swap(block, s.block[place]);
      std::swap(bytes, s.bytes[place]);
    }
  }
  if (block != nullptr) unmap(block, bytes);
}

}  // namespace

ZeroedBlock::ZeroedBlock(std::size_t bytes) {
  if (bytes == 0) return;
  if (bytes < small_block) {
    // A process that compiles again and again (the language server, check)
    // clears memory it already has instead of faulting in fresh pages every
    // time, which costs more on a virtual machine than the clearing.
    std::size_t kept_bytes = 0;
    if (void* kept = take_kept(bytes, kept_bytes)) {
      std::memset(kept, 0, bytes);
      mapping_ = kept;
      mapped_ = kept_bytes;
      data_ = static_cast<std::uint8_t*>(kept);
      size_ = bytes;
      return;
    }
  }
#if defined(MADV_HUGEPAGE)
  if (bytes >= large_page) {
    // Large pages need an aligned start: map one page more than needed and
    // give back what lies outside the aligned stretch.
    const std::size_t rounded = (bytes + large_page - 1) / large_page * large_page;
    auto* raw = static_cast<std::uint8_t*>(map(rounded + large_page));
    if (raw == nullptr) throw std::bad_alloc();
    const auto misalign = reinterpret_cast<std::uintptr_t>(raw) % large_page;
    const std::size_t head = misalign == 0 ? 0 : large_page - misalign;
    if (head != 0) unmap(raw, head);
    if (large_page - head != 0) unmap(raw + head + rounded, large_page - head);
    data_ = raw + head;
    mapping_ = data_;
    mapped_ = rounded;
    size_ = bytes;
    // Only a hint: without large pages the block works the same, slower.
    madvise(data_, rounded, MADV_HUGEPAGE);
    return;
  }
#endif
  mapping_ = map(bytes);
  if (mapping_ == nullptr) throw std::bad_alloc();
  data_ = static_cast<std::uint8_t*>(mapping_);
  mapped_ = bytes;
  size_ = bytes;
}

void populate(std::uint8_t* memory, std::size_t bytes) noexcept {
#if defined(MADV_POPULATE_WRITE)
  if (bytes == 0) return;
  // From the start of the page that holds `memory`: a block starts on a
  // page, so that page is the block's.
  constexpr std::uintptr_t page = 4096;
  const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(memory) % page;
  // Refused by kernels before 5.14: the first touch supplies the pages then.
  madvise(memory - offset, bytes + offset, MADV_POPULATE_WRITE);
#else
  (void)memory;
  (void)bytes;
#endif
}

ZeroedBlock::ZeroedBlock(ZeroedBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)) {}

ZeroedBlock& ZeroedBlock::operator=(ZeroedBlock&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

ZeroedBlock::~ZeroedBlock() { release(); }

void ZeroedBlock::release() noexcept {
  if (mapping_ != nullptr) {
    if (mapped_ < small_block) keep(mapping_, mapped_);
    else unmap(mapping_, mapped_);
  }
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = mapped_ = 0;
}

}  // namespace platform
