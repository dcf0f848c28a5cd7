// Output a command may print only once its work is done (compile prints
// after the staging folder is gone), held without holding it all: the first
// MiB in memory, the rest in an unnamed temporary file the system removes.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace scenarioc {

class Spool {
 public:
  void write(std::string_view bytes);
  // Everything written, in order and in pieces, to `out`; the spool is
  // empty afterwards.
  void drain(const std::function<void(std::string_view)>& out);

 private:
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string held_;
  std::unique_ptr<std::FILE, Close> file_;
  bool no_file_ = false;  // none could be made: held in memory
};

}  // namespace scenarioc
