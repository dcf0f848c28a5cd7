// A small JSON writer for scenarioc's --json output: one object on one line,
// commas placed by the writer. Texts of the scenario are 8-bit (Windows-1252)
// and come out as ASCII with \u escapes, so the output is valid UTF-8
// whatever they hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scenarioc {

class Json {
 public:
  Json& inizio_oggetto();
  Json& fine_oggetto();
  Json& inizio_lista();
  Json& fine_lista();
  Json& chiave(std::string_view nome);

  Json& testo(std::string_view valore);
  // A text as the user typed it (a name, a path, a message that quotes
  // them): UTF-8 kept, any byte that is not UTF-8 taken as Windows-1252.
  Json& as_typed(std::string_view valore);
  Json& intero(std::int64_t valore);
  // Shortest form that reads back to the same double; null when not finite,
  // which JSON cannot hold.
  Json& reale(double valore);
  Json& nullo();

  // The document with a final line end.
  std::string risultato() const { return out_ + "\n"; }

 private:
  void prima_del_valore();
  void stringa(std::string_view s, bool utf8 = false);

  std::string out_;
  std::vector<bool> vuoto_;  // per open object or list: nothing written yet
  bool dopo_chiave_ = false;
};

}  // namespace scenarioc
