#include "format/compiled_files.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "model/file_names.h"
#include "platform/platform.h"
#include "platform/zeroed_block.h"

namespace scenario {
namespace {

void write_whole(const std::string& path, const ByteBuffer& buffer) {
  platform::OutputFile file = platform::create_replacing(path);
  file.write(buffer.data());
  file.close();
}

}  // namespace

std::vector<std::string> compiled_file_names(const FileNames& file_names, bool plan) {
  std::vector<std::string> names;
  if (plan) names.push_back(file_names.linea_dat());
  names.push_back(file_names.percorso_sim());
  names.push_back(file_names.celle_dat());
  return names;
}

void serialize_route(const Modello& m, ByteBuffer& out) {
  for (const voce_percorso& v : m.tabella_percorso) {
    // The length field counts so far; a longer text is cut rather than
    // written with a length that does not match its bytes.
    std::string_view text = v.testo;
    if (text.size() > longest_route_text) text = text.substr(0, longest_route_text);
    for (const RouteField& f : route_entry_layout) {
      switch (f.kind) {
        case RouteField::Kind::number: out.le(f.layout.width, static_cast<std::uint64_t>(f.get(v))); break;
        case RouteField::Kind::text_length: out.le(f.layout.width, text.size()); break;
        case RouteField::Kind::text: out.bytes(text); break;
      }
    }
  }
}

namespace {

// The cell's fields one by one, each row of the table a constant: the
// compiler turns every row into the stores of its own bytes, as code
// spelled by hand would be, where a loop over the rows would cost a call
// a field (4.7 million instructions more for the largest route).
template <std::size_t... I>
void put_cell(std::uint8_t* p, const cella& c, std::index_sequence<I...>) {
  (put_le(p + cell_layout[I].layout.offset, cell_layout[I].layout.width,
          static_cast<std::uint64_t>(cell_layout[I].get(c))),
   ...);
}

}  // namespace

void serialize_cells(const Modello& m, ByteBuffer& out) {
  // One pass over the cells into room taken at once.
  std::uint8_t* p = out.append(m.celle.size() * cell_size);
  for (const cella& c : m.celle) {
    put_cell(p, c, std::make_index_sequence<cell_layout.size()>{});
    p += cell_size;
  }
}

namespace {

// The compiled line file as far as a CompiledFilesWriter got with it while
// the plan was computed: the first `image0` bytes of coordinate 0 in place,
// and the first `image1` bytes of coordinate 1 at `image1_at`.
struct LineFileBegun {
  platform::AtomicFile file;
  std::size_t image0 = 0;
  std::size_t image1 = 0;
  std::size_t image1_at = 0;
};

// The three files in their order, under `file_names`; the line file goes on from
// `begun` when given.
void write_files(const Modello& m, const std::string& folder, const FileNames& file_names,
                 std::optional<LineFileBegun> begun) {
  // A model compiled without its plan has no line file to give: an empty
  // one would be taken for the real one.
  if (m.scrivi_linea != 0 && !m.tracciato.esiste())
    throw std::logic_error("the compiled line file of a model compiled without its plan");
  if (m.scrivi_linea != 0) {
    // The plan is its file image already: coordinate 0, then coordinate 1.
    const std::span<const std::uint8_t> image0 = m.tracciato.image(0), image1 = m.tracciato.image(1);
    // Coordinate 1 placed where the plan did not end, as foreseen: written
    // again whole.
    if (begun && begun->image1 != 0 && begun->image1_at != image0.size()) begun.reset();
    if (!begun) begun.emplace(LineFileBegun{platform::AtomicFile(platform::join_path(folder, file_names.linea_dat()))});
    begun->file.write_at(begun->image0, image0.subspan(begun->image0));
    begun->file.write_at(image0.size() + begun->image1, image1.subspan(begun->image1));
    begun->file.commit();
  }
  begun.reset();

  ByteBuffer buffer;
  serialize_route(m, buffer);
  write_whole(platform::join_path(folder, file_names.percorso_sim()), buffer);

  buffer.clear();
  serialize_cells(m, buffer);
  write_whole(platform::join_path(folder, file_names.celle_dat()), buffer);
}

}  // namespace

void write_compiled_files(const Modello& m, const std::string& folder) {
  write_compiled_files(m, folder, FileNames{m.nome_scenario, m.numero_treno});
}

void write_compiled_files(const Modello& m, const std::string& folder, const FileNames& file_names) {
  write_files(m, folder, file_names, std::nullopt);
}

// Told by the plan as it is made and as stretches of both coordinates
// become final; on a thread of its own, supplies the images' memory ahead
// of the computing thread and writes what is final: coordinate 0 from the
// file's start, coordinate 1 where the plan's foreseen size puts it. The
// computing thread only hands over a size.
//
// Every member is read and written under the mutex. The thread takes what
// one piece of work needs out of them (the images' addresses, the file
// begun), works on its copies without the lock, and puts the file back:
// `reading_` says it may be reading the images meanwhile, and the plan's
// calls that end their life wait until it is not.
class CompiledFilesWriter::LineFile final : public Tracciato::Observer {
 public:
  explicit LineFile(std::string path) : path_(std::move(path)), worker_([this] { run(); }) {}
  ~LineFile() { stop(); }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  void plan_made(Tracciato::Observer::Images images) override {
    {
      std::lock_guard lock(mutex_);
      images_ = images;
      prepared_ = 0;
    }
    wake_.notify_one();
  }

  void size_foreseen(std::size_t bytes) override {
    std::lock_guard lock(mutex_);
    foreseen_ = bytes;
  }

  void images_ready(std::size_t bytes) override {
    {
      std::lock_guard lock(mutex_);
      ready_ = bytes;
    }
    wake_.notify_one();
  }

  void plan_dropped() override {
    std::unique_lock lock = let_go();
    ready_ = foreseen_ = 0;
    begun_.reset();
    failure_ = nullptr;
  }

  void plan_released() override { let_go(); }

  // Ends the thread after the piece of work in hand. Then begun() holds
  // the file as far as it got, or failure() says why it could not be
  // written.
  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
  }
  std::optional<LineFileBegun> take_begun() {
    std::lock_guard lock(mutex_);
    return std::exchange(begun_, std::nullopt);
  }
  std::exception_ptr failure() {
    std::lock_guard lock(mutex_);
    return failure_;
  }

 private:
  // Memory is supplied this far ahead at a time, both images in turn, so
  // that the computing thread, which fills both at once, finds its pages.
  static constexpr std::size_t prepare_step = std::size_t{2} << 20;

  // Once the thread is not reading the images, forgets them: it never
  // reads them again. Returns with the lock held.
  std::unique_lock<std::mutex> let_go() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return !reading_; });
    images_.reset();
    return lock;
  }

  bool has_work() const {
    if (!images_ || failure_) return false;
    return prepared_ < images_->room || ready_ > written0() ||
           (foreseen_ != 0 && ready_ <= foreseen_ && ready_ > written1());
  }
  std::size_t written0() const { return begun_ ? begun_->image0 : 0; }
  std::size_t written1() const { return begun_ ? begun_->image1 : 0; }

  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || has_work(); });
      if (stopping_ || !has_work()) return;
      const Tracciato::Observer::Images images = *images_;
      const std::size_t ready = ready_, foreseen = foreseen_, prepare_from = prepared_;
      const bool preparing = prepare_from < images.room;
      std::optional<LineFileBegun> file = std::exchange(begun_, std::nullopt);
      reading_ = true;
      lock.unlock();
      std::exception_ptr failure;
      try {
        if (preparing) {
          const std::size_t n = std::min(prepare_step, images.room - prepare_from);
          for (std::uint8_t* image : images.data) platform::populate(image + prepare_from, n);
        } else {
          write(file, images, ready, foreseen);
        }
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      reading_ = false;
      if (file) begun_.emplace(std::move(*file));
      if (failure) failure_ = failure;
      if (preparing) prepared_ = prepare_from + prepare_step;
      wake_.notify_all();  // let_go() may be waiting
    }
  }

  // The final bytes not yet written; coordinate 1 only while the foreseen
  // size may still be right.
  void write(std::optional<LineFileBegun>& file, const Tracciato::Observer::Images& images,
             std::size_t ready, std::size_t foreseen) {
    if (!file) file.emplace(LineFileBegun{platform::AtomicFile(path_)});
    LineFileBegun& b = *file;
    if (ready > b.image0) {
      b.file.write_at(b.image0, {images.data[0] + b.image0, ready - b.image0});
      b.image0 = ready;
    }
    if (foreseen != 0 && ready <= foreseen && ready > b.image1) {
      if (b.image1 == 0) b.image1_at = foreseen;
      b.file.write_at(b.image1_at + b.image1, {images.data[1] + b.image1, ready - b.image1});
      b.image1 = ready;
    }
  }

  const std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  // What the plan told: the images (none once let go of), how far their
  // memory is supplied, the size foreseen and how far they are final.
  std::optional<Tracciato::Observer::Images> images_;
  std::size_t prepared_ = 0;
  std::size_t foreseen_ = 0;
  std::size_t ready_ = 0;
  // The thread's state.
  bool stopping_ = false;
  bool reading_ = false;
  std::optional<LineFileBegun> begun_;  // out of here while the thread writes it
  std::exception_ptr failure_;
  std::thread worker_;  // last: started once everything above is ready
};

CompiledFilesWriter::CompiledFilesWriter(std::string folder, FileNames file_names)
    : folder_(std::move(folder)), file_names_(std::move(file_names)) {
  try {
    line_ = std::make_unique<LineFile>(platform::join_path(folder_, file_names_.linea_dat()));
  } catch (const std::system_error&) {
    // No thread to be had: finish() writes everything, as
    // write_compiled_files does.
  }
}

CompiledFilesWriter::~CompiledFilesWriter() = default;

Tracciato::Observer* CompiledFilesWriter::plan_observer() { return line_.get(); }

void CompiledFilesWriter::finish(const Modello& m) {
  if (!line_) return write_files(m, folder_, file_names_, std::nullopt);
  line_->stop();
  if (const std::exception_ptr failure = line_->failure()) std::rethrow_exception(failure);
  write_files(m, folder_, file_names_, line_->take_begun());
}

}  // namespace scenario
