#include "format/compiled_files.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "model/file_names.h"
#include "platform/platform.h"
#include "platform/zeroed_block.h"

namespace scenario {
namespace {

void scrivi(const std::string& path, const ByteBuffer& buffer) {
  platform::OutputFile file = platform::create_replacing(path);
  file.write(buffer.data());
  file.close();
}

}  // namespace

std::vector<std::string> compiled_file_names(const FileNames& nomi, bool plan) {
  std::vector<std::string> names;
  if (plan) names.push_back(nomi.linea_dat());
  names.push_back(nomi.percorso_sim());
  names.push_back(nomi.celle_dat());
  return names;
}

void serialize_route(const Modello& m, ByteBuffer& out) {
  for (const voce_percorso& v : m.tabella_percorso) {
    out.u8(v.tipo_voce);
    out.i32(v.dato1);
    out.i32(v.dato2);
    out.i32(v.dato3);
    out.u8(v.byte1);
    // The length field is 16 bits; a longer text is cut rather than written
    // with a length that does not match its bytes.
    std::string_view testo = v.testo;
    if (testo.size() > 0xFFFF) testo = testo.substr(0, 0xFFFF);
    out.u16(static_cast<std::uint16_t>(testo.size()));
    out.bytes(testo);
    out.i16(v.intero1);
    out.i16(v.intero2);
    out.i16(v.intero3);
    out.i16(v.intero4);
    out.i16(v.intero5);
    out.u8(v.byte2);
    out.u8(v.byte3);
    out.u8(v.byte4);
    out.u8(v.byte5);
    out.i32(v.dato4);
  }
}

void serialize_cells(const Modello& m, ByteBuffer& out) {
  // One pass over the cells into room taken at once.
  std::uint8_t* p = out.append(m.celle.size() * byte_per_cella);
  for (const cella& c : m.celle) {
    p[0] = c.tipo_cella;
    put_le16(p + 1, static_cast<std::uint16_t>(c.valore_a));
    put_le16(p + 3, static_cast<std::uint16_t>(c.valore_b));
    put_le16(p + 5, static_cast<std::uint16_t>(c.valore_c));
    put_le16(p + 7, static_cast<std::uint16_t>(c.valore_d));
    p[9] = c.tempo_segnale;
    p[10] = c.preavviso;
    p[11] = c.codice_montagna;
    p[12] = c.vel_limite;
    p[13] = c.codice_pendenza;
    p[14] = c.aderenza;
    p += byte_per_cella;
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

// The three files in their order, under `nomi`; the line file goes on from
// `begun` when given.
void write_files(const Modello& m, const std::string& folder, const FileNames& nomi,
                 std::optional<LineFileBegun> begun) {
  if (m.scrivi_linea != 0) {
    // The plan is its file image already: coordinate 0, then coordinate 1.
    const std::span<const std::uint8_t> image0 = m.tracciato.image(0), image1 = m.tracciato.image(1);
    // Coordinate 1 placed where the plan did not end, as foreseen: written
    // again whole.
    if (begun && begun->image1 != 0 && begun->image1_at != image0.size()) begun.reset();
    if (!begun) begun.emplace(LineFileBegun{platform::AtomicFile(platform::join_path(folder, nomi.linea_dat()))});
    begun->file.write_at(begun->image0, image0.subspan(begun->image0));
    begun->file.write_at(image0.size() + begun->image1, image1.subspan(begun->image1));
    begun->file.commit();
  }
  begun.reset();

  ByteBuffer buffer;
  serialize_route(m, buffer);
  scrivi(platform::join_path(folder, nomi.percorso_sim()), buffer);

  buffer.clear();
  serialize_cells(m, buffer);
  scrivi(platform::join_path(folder, nomi.celle_dat()), buffer);
}

}  // namespace

void write_compiled_files(const Modello& m, const std::string& folder) {
  write_compiled_files(m, folder, FileNames{m.nome_scenario, m.numero_treno});
}

void write_compiled_files(const Modello& m, const std::string& folder, const FileNames& nomi) {
  write_files(m, folder, nomi, std::nullopt);
}

// Told by the plan as it is made and as stretches of both coordinates
// become final; on a thread of its own, supplies the images' memory ahead
// of the computing thread and writes what is final: coordinate 0 from the
// file's start, coordinate 1 where the plan's foreseen size puts it. The
// computing thread only hands over a size.
class CompiledFilesWriter::LineFile final : public Tracciato::Observer {
 public:
  explicit LineFile(std::string path) : path_(std::move(path)), worker_([this] { run(); }) {}
  // Unfinished: what was reported is not wanted any more.
  ~LineFile() { stop(false); }
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
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return !busy_; });
    images_.reset();
    ready_ = foreseen_ = 0;
    begun_.reset();
    failure_ = nullptr;
  }

  // Ends the thread, once it has written what was reported when
  // `write_reported`. Then begun() holds the file as far as it got, or
  // failure() says why it could not be written.
  void stop(bool write_reported) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      if (!write_reported) ready_ = 0;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
  }
  std::optional<LineFileBegun>& begun() { return begun_; }
  std::exception_ptr failure() const { return failure_; }

 private:
  // Memory is supplied this far ahead at a time, both images in turn, so
  // that the computing thread, which fills both at once, finds its pages.
  static constexpr std::size_t prepare_step = std::size_t{2} << 20;

  bool has_work() const {
    if (!images_) return false;
    return prepared_ < images_->room || ready_ > written0() ||
           (foreseen_ != 0 && ready_ <= foreseen_ && ready_ > written1());
  }
  std::size_t written0() const { return begun_ ? begun_->image0 : 0; }
  std::size_t written1() const { return begun_ ? begun_->image1 : 0; }

  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || has_work(); });
      // What was reported is written even when asked to stop: the caller
      // writes only the rest. Memory is not supplied any more then.
      if (stopping_ && images_) prepared_ = images_->room;
      if (!has_work()) return;
      const Tracciato::Observer::Images images = *images_;
      const std::size_t ready = ready_, foreseen = foreseen_, prepare_from = prepared_;
      const bool preparing = prepare_from < images.room;
      busy_ = true;
      lock.unlock();
      try {
        if (preparing) {
          const std::size_t n = std::min(prepare_step, images.room - prepare_from);
          for (std::uint8_t* image : images.data) platform::populate(image + prepare_from, n);
        } else {
          write(images, ready, foreseen);
        }
      } catch (...) {
        failure_ = std::current_exception();
      }
      lock.lock();
      if (preparing) prepared_ = prepare_from + prepare_step;
      busy_ = false;
      wake_.notify_all();  // plan_dropped() may be waiting
      if (failure_) return;
    }
  }

  // The final bytes not yet written; coordinate 1 only while the foreseen
  // size may still be right.
  void write(const Tracciato::Observer::Images& images, std::size_t ready, std::size_t foreseen) {
    if (!begun_) begun_.emplace(LineFileBegun{platform::AtomicFile(path_)});
    LineFileBegun& b = *begun_;
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
  // Under the mutex: what the plan told, and the thread's state.
  std::optional<Tracciato::Observer::Images> images_;
  std::size_t prepared_ = 0;  // bytes of each image whose memory is supplied
  std::size_t foreseen_ = 0;
  std::size_t ready_ = 0;
  bool stopping_ = false;
  bool busy_ = false;
  // The thread's own while it runs, and the caller's once it has ended.
  std::optional<LineFileBegun> begun_;
  std::exception_ptr failure_;
  std::thread worker_;  // last: started once everything above is ready
};

CompiledFilesWriter::CompiledFilesWriter(std::string folder, FileNames nomi)
    : folder_(std::move(folder)), nomi_(std::move(nomi)) {
  try {
    line_ = std::make_unique<LineFile>(platform::join_path(folder_, nomi_.linea_dat()));
  } catch (const std::system_error&) {
    // No thread to be had: finish() writes everything, as
    // write_compiled_files does.
  }
}

CompiledFilesWriter::~CompiledFilesWriter() = default;

Tracciato::Observer* CompiledFilesWriter::plan_observer() { return line_.get(); }

void CompiledFilesWriter::finish(const Modello& m) {
  if (!line_) return write_files(m, folder_, nomi_, std::nullopt);
  line_->stop(true);
  if (line_->failure()) std::rethrow_exception(line_->failure());
  write_files(m, folder_, nomi_, std::move(line_->begun()));
}

}  // namespace scenario
