#include "format/compiled_files.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "model/file_names.h"
#include "platform/platform.h"

namespace scenario {
namespace {

void scrivi(const std::string& path, const ByteBuffer& buffer) {
  platform::OutputFile file = platform::create_replacing(path);
  file.write(buffer.data());
  file.close();
}

}  // namespace

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

// The three files in their order, under `nomi`; `line`, when given, already
// holds the first `written` bytes of the line file.
void write_files(const Modello& m, const FileNames& nomi, std::optional<platform::AtomicFile> line,
                 std::size_t written) {
  if (m.scrivi_linea != 0) {
    if (!line) line.emplace(platform::join_path(m.cartella, nomi.linea_dat()));
    // The plan is its file image already: two writes.
    line->write(m.tracciato.image(0).subspan(written));
    line->write(m.tracciato.image(1));
    line->commit();
  }
  line.reset();

  ByteBuffer buffer;
  serialize_route(m, buffer);
  scrivi(platform::join_path(m.cartella, nomi.percorso_sim()), buffer);

  buffer.clear();
  serialize_cells(m, buffer);
  scrivi(platform::join_path(m.cartella, nomi.celle_dat()), buffer);
}

}  // namespace

void write_compiled_files(const Modello& m) {
  write_compiled_files(m, FileNames{m.nome_scenario, m.numero_treno});
}

void write_compiled_files(const Modello& m, const FileNames& nomi) {
  write_files(m, nomi, std::nullopt, 0);
}

// Told by the plan as stretches of coordinate 0 become final, and writes
// them on its own thread: the computing thread only hands over a span.
class CompiledFilesWriter::LineFile final : public Tracciato::Observer {
 public:
  explicit LineFile(std::string path) : path_(std::move(path)), worker_([this] { run(); }) {}
  // Unfinished: what was reported is not wanted any more.
  ~LineFile() { stop(false); }
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  void image0_ready(std::span<const std::uint8_t> prefix) override {
    {
      std::lock_guard lock(mutex_);
      ready_ = prefix;
    }
    wake_.notify_one();
  }

  void plan_dropped() override {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return !busy_; });
    ready_ = {};
    file_.reset();
    written_ = 0;
    failure_ = nullptr;
  }

  // Ends the thread, once it has written what was reported when
  // `write_reported`. Then the file holds written() bytes, or failure() says
  // why it could not be written.
  void stop(bool write_reported) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      if (!write_reported) ready_ = {};
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
  }
  std::optional<platform::AtomicFile>& file() { return file_; }
  std::size_t written() const { return written_; }
  std::exception_ptr failure() const { return failure_; }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stopping_ || ready_.size() > written_; });
      // What was reported is written even when asked to stop: the caller
      // writes only the rest.
      if (ready_.size() <= written_) return;
      const std::span<const std::uint8_t> ready = ready_;
      busy_ = true;
      lock.unlock();
      try {
        if (!file_) file_.emplace(path_);
        file_->write(ready.subspan(written_));
        written_ = ready.size();
      } catch (...) {
        failure_ = std::current_exception();
      }
      lock.lock();
      busy_ = false;
      wake_.notify_all();  // plan_dropped() may be waiting
      if (failure_) return;
    }
  }

  const std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  // Under the mutex: what the plan reported, and the thread's state.
  std::span<const std::uint8_t> ready_;
  bool stopping_ = false;
  bool busy_ = false;
  // The thread's own while it runs, and the caller's once it has ended.
  std::optional<platform::AtomicFile> file_;
  std::size_t written_ = 0;
  std::exception_ptr failure_;
  std::thread worker_;  // last: started once everything above is ready
};

CompiledFilesWriter::CompiledFilesWriter(Modello& m) : m_(m) {
  try {
    line_ = std::make_unique<LineFile>(
        platform::join_path(m.cartella, FileNames{m.nome_scenario, m.numero_treno}.linea_dat()));
    m_.tracciato.observe(line_.get());
  } catch (const std::system_error&) {
    // No thread to be had: finish() writes everything, as
    // write_compiled_files does.
  }
}

CompiledFilesWriter::~CompiledFilesWriter() {
  if (line_) m_.tracciato.observe(nullptr);
}

void CompiledFilesWriter::finish() {
  const FileNames nomi{m_.nome_scenario, m_.numero_treno};
  if (!line_) return write_files(m_, nomi, std::nullopt, 0);
  m_.tracciato.observe(nullptr);
  line_->stop(true);
  if (line_->failure()) std::rethrow_exception(line_->failure());
  write_files(m_, nomi, std::move(line_->file()), line_->written());
}

}  // namespace scenario
