#include "driver/description_files.h"

#include "platform/platform.h"

namespace scenario {

bool OneShotDescriptionFile::exists() const { return platform::file_exists(path_); }
std::string OneShotDescriptionFile::read() { return platform::read_file(path_); }
void OneShotDescriptionFile::discard() { platform::delete_file(path_); }

}  // namespace scenario
