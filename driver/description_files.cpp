#include "driver/description_files.h"

#include "platform/platform.h"

namespace scenario {

bool DescriptionFile::exists() const { return platform::file_exists(path_); }
std::string DescriptionFile::read() { return platform::read_file(path_); }
void DescriptionFile::discard() { platform::delete_file(path_); }

}  // namespace scenario
