// The line plan `tracciato`: two coordinates per metre, each element empty,
// a 16-bit integer or a double, and knowing which. Both coordinates of a
// point are always of one kind.
//
// The plan is held as the compiled line file holds it: one image per
// coordinate, every element a 2-byte tag and its little-endian value, packed.
// The compiler computes each point straight into its place there, and the
// writer hands the two images to the file as they are, so a million points
// are touched once. A table of runs (a stretch of points of one kind) finds
// any point's bytes: the compiler's plan has three runs, integers, reals and
// then empties; a file read back may have more.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/zeroed_block.h"

namespace scenario {

class Tracciato {
 public:
  // The kinds double as the tags of the compiled line file.
  enum class Tipo : std::uint8_t { vuoto = 0, intero = 2, reale = 5 };

  // An element of the compiled line file, as the images hold it: a 2-byte
  // tag (its kind), then its little-endian value. Here rather than in
  // format/, which reads these, because the plan is that file's image.
  static constexpr std::size_t tag_width = 2;
  static constexpr std::size_t value_width(Tipo kind) {
    switch (kind) {
      case Tipo::intero: return 2;
      case Tipo::reale: return 8;
      default: return 0;
    }
  }
  static constexpr std::size_t element_width(Tipo kind) { return tag_width + value_width(kind); }

  class Appender;
  class Observer;

  Tracciato() = default;
  // A plan observed lets its observer go before its images do: the
  // observer is never left reading memory that is gone. Moved, the images
  // stay where they are, and the observer goes with them.
  ~Tracciato();
  Tracciato(Tracciato&& other) noexcept;
  Tracciato& operator=(Tracciato&& other) noexcept;
  Tracciato(const Tracciato&) = delete;
  Tracciato& operator=(const Tracciato&) = delete;

  // Points 0 to ultimo_punto, every coordinate empty. Throws
  // std::invalid_argument for a negative ultimo_punto, std::bad_alloc when
  // there is no room.
  void crea(std::int32_t ultimo_punto);
  bool esiste() const { return points_ != 0; }
  // Number of points (ultimo_punto + 1), 0 when there is no plan.
  std::size_t punti() const { return points_; }

  // Both coordinates of a point are of one kind; `coord` is there for the
  // callers that walk one coordinate.
  Tipo tipo(std::size_t punto, int coord = 0) const;
  // The element's value; 0 for an empty one.
  double valore(std::size_t punto, int coord) const;

  // Points are set in order, each at most once: `punto` is the first not yet
  // set or a later one (the points skipped stay empty). Throws
  // std::logic_error for any other point.
  void set_integer_point(std::size_t punto, std::int16_t x, std::int16_t y);
  void set_real_point(std::size_t punto, double x, double y);

  // The compiled line file's bytes for one coordinate: coordinate 0 is the
  // file's first half, coordinate 1 its second.
  std::span<const std::uint8_t> image(int coord) const;

  // Told as the plan is made and as long stretches of points are set;
  // nullptr for no one. The observer stays across crea(); the one it
  // replaces is released (Observer::plan_released) first.
  void observe(Observer* o);
  // What each image will hold once the plan is complete, as its computer
  // foresees: `integers` integer points from point 0, then `reals` real
  // ones, then empty ones. Passed on to the observer; the plan may still
  // end otherwise.
  void foresee(std::size_t integers, std::size_t reals);

 private:
  struct Run {
    std::size_t first;  // point
    std::size_t byte;   // where its first element starts in either image
    Tipo kind;
  };
  struct Element {
    Tipo kind;
    std::size_t byte;
  };
  Element element(std::size_t punto) const;
  void check_settable(std::size_t punto) const;
  [[noreturn]] static void past_the_end();
  void add_run(std::size_t first, std::size_t byte, Tipo kind);
  void tell_plan_made();

  std::size_t points_ = 0;
  // Points before `set_` are described by `runs_`; from `set_` on every
  // point is empty, its bytes (a zero tag) already in place, as the images
  // start zeroed and each byte is written once.
  std::size_t set_ = 0;
  std::size_t set_bytes_ = 0;
  std::vector<Run> runs_;
  platform::ZeroedBlock images_[2];
  Observer* observer_ = nullptr;
  std::size_t reported_ = 0;  // bytes of both images the observer was last told of
};

// The images' bytes are final as soon as their points are set: an observer
// (a writer) can take them while later points are computed, and ready the
// memory ahead of the computing. Told on the computing thread.
class Tracciato::Observer {
 public:
  // The images' memory, room for every point a real. It stays where it is
  // when the plan is moved, until the observer is told plan_dropped() or
  // plan_released().
  struct Images {
    std::uint8_t* data[2];
    std::size_t room;
  };
  // crea() has made the images. From its own thread the observer may read
  // the bytes images_ready() says are final, and supply memory ahead of the
  // computing thread (platform::populate), which writes nothing.
  virtual void plan_made(Images images) = 0;
  // What foresee() says each image will hold, in bytes.
  virtual void size_foreseen(std::size_t bytes) = 0;
  // The first `bytes` of both images are final, until the plan is dropped.
  // About once a megabyte.
  virtual void images_ready(std::size_t bytes) = 0;
  // The images are about to go (crea() replaces them, or the model holding
  // them is destroyed by an exception): the observer must be done with them
  // on return, and what it was told of them no longer holds.
  virtual void plan_dropped() = 0;
  // The observer is taken off, or the plan is destroyed or assigned over:
  // it must be done reading the images on return, and never reads them
  // again. What it took from them before stays good.
  virtual void plan_released() = 0;

 protected:
  ~Observer() = default;
};

// Sets points in order from the first not yet set: what the compiler's step
// loop uses for a million points in a row. The write position lives here,
// not in the plan, so a loop keeps it in registers; the plan learns the new
// points at done(), or when the appender goes. One appender at a time per
// plan, and none across crea().
class Tracciato::Appender {
 public:
  explicit Appender(Tracciato& t)
      : t_(t),
        begin_(t.images_[0].data()),
        at_{t.images_[0].data() + t.set_bytes_, t.images_[1].data() + t.set_bytes_},
        point_(t.set_),
        kind_(t.runs_.empty() ? Tipo::vuoto : t.runs_.back().kind) {}
  Appender(const Appender&) = delete;
  Appender& operator=(const Appender&) = delete;
  ~Appender() { done(); }

  std::size_t next_point() const { return point_; }

  void reale(double x, double y) {
    reali(1, [&] { return std::pair{x, y}; });
  }
  void intero(std::int16_t x, std::int16_t y) {
    start(Tipo::intero);
    put_tag(at_[0], Tipo::intero);
    put_le16(at_[0] + tag_width, static_cast<std::uint16_t>(x));
    put_tag(at_[1], Tipo::intero);
    put_le16(at_[1] + tag_width, static_cast<std::uint16_t>(y));
    at_[0] += element_width(Tipo::intero);
    at_[1] += element_width(Tipo::intero);
    ++point_;
  }
  // `n` real points in a row, each the pair (x, y) next() returns: for a
  // loop that computes them, with the write positions in registers
  // throughout.
  template <typename Next>
  void reali(std::size_t n, Next&& next) {
    if (n == 0) return;
    if (n > t_.points_ - point_) past_the_end();
    start(Tipo::reale);
    std::uint8_t* a = at_[0];
    std::uint8_t* b = at_[1];
    while (n > 0) {
      // In stretches, so an observer hears of a long run of steps as it goes.
      const std::size_t stretch = n < report_points ? n : report_points;
      for (std::size_t i = 0; i < stretch; ++i) {
        const auto [x, y] = next();
        put_tag(a, Tipo::reale);
        put_le64(a + tag_width, std::bit_cast<std::uint64_t>(x));
        put_tag(b, Tipo::reale);
        put_le64(b + tag_width, std::bit_cast<std::uint64_t>(y));
        a += element_width(Tipo::reale);
        b += element_width(Tipo::reale);
      }
      n -= stretch;
      point_ += stretch;
      if (t_.observer_ != nullptr) report(static_cast<std::size_t>(a - begin_));
    }
    at_[0] = a;
    at_[1] = b;
  }
  // An empty point: its zero tag is already there.
  void vuoto() {
    start(Tipo::vuoto);
    at_[0] += element_width(Tipo::vuoto);
    at_[1] += element_width(Tipo::vuoto);
    ++point_;
  }

  void done() {
    t_.set_ = point_;
    t_.set_bytes_ = static_cast<std::size_t>(at_[0] - begin_);
  }

 private:
  // The one check of a point: it is within the plan, and the run goes on or
  // a new one starts.
  void start(Tipo kind) {
    if (point_ >= t_.points_) past_the_end();
    if (kind != kind_) {
      t_.add_run(point_, static_cast<std::size_t>(at_[0] - begin_), kind);
      kind_ = kind;
    }
  }

  // About a megabyte of each image between reports.
  static constexpr std::size_t report_points = std::size_t{1} << 17;
  static constexpr std::size_t report_bytes = std::size_t{1} << 20;
  void report(std::size_t bytes) {
    if (bytes - t_.reported_ < report_bytes) return;
    t_.reported_ = bytes;
    t_.observer_->images_ready(bytes);
  }

  static void put_tag(std::uint8_t* p, Tipo kind) {
    p[0] = static_cast<std::uint8_t>(kind);
    p[1] = 0;
  }
  static void put_le16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
  }
  // Spelled out rather than looped: at -O2 GCC keeps the loop, eight byte
  // stores and their shifts for each value, over a hundred instructions a
  // point; these eight it merges into one store.
  static void put_le64(std::uint8_t* p, std::uint64_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
    p[4] = static_cast<std::uint8_t>(v >> 32);
    p[5] = static_cast<std::uint8_t>(v >> 40);
    p[6] = static_cast<std::uint8_t>(v >> 48);
    p[7] = static_cast<std::uint8_t>(v >> 56);
  }

  Tracciato& t_;
  std::uint8_t* const begin_;
  std::uint8_t* at_[2];
  std::size_t point_;
  Tipo kind_;
};

}  // namespace scenario
