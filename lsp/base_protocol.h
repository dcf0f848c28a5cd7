// The protocol's framing: each message is a header block ("Content-Length:
// N", optionally "Content-Type", each line ended by CR LF, the block by an
// empty line) and then N bytes of JSON. The reader never trusts a length
// further than its limits, and a damaged block is reported and skipped so
// that the server can answer it and read on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lsp {

// Where bytes come from: standard input, or memory for tests and fuzzing.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`; 0 only at the end of the input.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // All of `bytes`, flushed; throws when they cannot be written.
  virtual void write(std::string_view bytes) = 0;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t read(char* buffer, std::size_t size) override;

 private:
  std::string_view bytes_;
};

struct Incoming {
  enum class Kind { message, malformed, end };
  Kind kind = Kind::end;
  std::string body;   // message: the JSON text
  std::string error;  // malformed: what was wrong, for the error response
};

class MessageReader {
 public:
  // A header line longer than this is damage, not a header.
  static constexpr std::size_t max_header_line = 8192;
  // The largest body accepted: far above the largest description text.
  static constexpr std::size_t max_content_length = std::size_t{64} << 20;

  explicit MessageReader(ByteSource& in) : in_(in) {}
  // The next message, a malformed one (already skipped), or the end of the
  // input (also when it ends inside a message).
  Incoming next();

 private:
  enum class Line { complete, too_long, end };
  Line header_line(std::string& line);
  bool fill();
  bool body(std::uint64_t length, std::string* into);

  ByteSource& in_;
  std::string buffer_;
  std::size_t pos_ = 0;
};

// The header block and the body, ready to write.
std::string frame(std::string_view body);

}  // namespace lsp
