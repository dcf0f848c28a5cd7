// The expected outputs in tests/golden/, taken from a build known to be
// right: SHA-256 digests (as `sha256sum` prints them) and whole files.
// Regenerate them only for a deliberate change of a compiled byte or an
// output, never to make a test pass.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace testing_support {

std::string sha256_hex(std::string_view bytes);

// The file `name` under tests/golden/, whole.
std::string golden_file(const std::string& name);

// A `sha256sum` listing under tests/golden/: file name to digest.
std::map<std::string, std::string> golden_digests(const std::string& listing);

}  // namespace testing_support
