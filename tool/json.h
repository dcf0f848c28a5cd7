// A small JSON writer for scenarioc's --json output: one object on one line,
// commas placed by the writer. Texts of the scenario are 8-bit (Windows-1252)
// and come out as ASCII with \u escapes, so the output is valid UTF-8
// whatever they hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenarioc {

class Json {
 public:
  Json& begin_object();
  Json& end_object();
  Json& begin_list();
  Json& end_list();
  Json& key(std::string_view name);

  Json& text(std::string_view value);
  // A text as the user typed it (a name, a path, a message that quotes
  // them): UTF-8 kept, any byte that is not UTF-8 taken as Windows-1252.
  Json& as_typed(std::string_view value);
  Json& integer(std::int64_t value);
  // Shortest form that reads back to the same double; null when not finite,
  // which JSON cannot hold.
  Json& real(double value);
  Json& boolean(bool value);
  Json& null();

  // The document with a final line end.
  std::string result() const { return out_ + "\n"; }

  // What was written since the last call, handed over and forgotten, so
  // that a long document goes out in pieces; result() then holds the rest.
  std::string take_written() { return std::exchange(out_, {}); }
  // A value the caller writes itself, between two take_written() pieces.
  Json& value_written_elsewhere() {
    before_value();
    return *this;
  }

 private:
  void before_value();
  void quoted(std::string_view s, bool utf8 = false);

  std::string out_;
  std::vector<bool> empty_;  // per open object or list: nothing written yet
  bool after_key_ = false;
};

}  // namespace scenarioc
