// Shared by both backends: the failure type and byte-view conveniences.
#include "platform.h"

namespace platform {

Failure::Failure(std::string operation, std::string path, std::string reason)
    : std::runtime_error("cannot " + operation + " \"" + path + "\"" +
                         (reason.empty() ? "" : ": " + reason)),
      operation_(std::move(operation)),
      path_(std::move(path)) {}

void OutputFile::write(std::string_view bytes) {
  write(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace platform
