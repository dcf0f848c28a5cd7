// scenarioc: the scenario authors' tool.
#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view uso =
    "usage: scenarioc COMMAND [OPTIONS]\n";

}  // namespace

int main(int argc, char** argv) {
  (void)argv;
  std::fwrite(uso.data(), 1, uso.size(), stderr);
  return argc > 1 ? 64 : 64;
}
