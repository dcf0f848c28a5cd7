#include "text/description_file.h"

#include "platform/platform.h"

namespace scenarioc {

DescriptionFile read_description_file(const std::string& path) {
  DescriptionFile f;
  try {
    f.bytes = platform::read_file_limited(path, largest_description_text);
  } catch (const platform::Failure& e) {
    // The reason without the path the message repeats.
    const std::string what = e.what();
    const std::size_t at = what.find("\": ");
    f.problem = at == std::string::npos ? what : what.substr(at + 3);
    try {
      f.missing = platform::file_info(path).kind == platform::FileKind::missing;
    } catch (const platform::Failure&) {
      f.missing = false;
    }
  }
  return f;
}

}  // namespace scenarioc
