// The scenario error numbers and their explanations, in one table that every
// front end uses. Recorded errors live in the model (numero_errore,
// posizione_errore); the two fatal header errors travel as FatalError to
// the front end, which shows them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace scenario {

inline constexpr std::int32_t errore_formato = 1250;  // a format-mark slot already set
inline constexpr std::int32_t errore_codice = 1251;   // a competition-code slot already set

class FatalError : public std::exception {
 public:
  explicit FatalError(std::int32_t numero) : numero_(numero) {}
  std::int32_t numero() const { return numero_; }
  const char* what() const noexcept override { return "fatal scenario error"; }

 private:
  std::int32_t numero_;
};

struct VoceErrore {
  std::int32_t numero;
  bool con_posizione;        // posizione_errore goes with it
  std::string_view testo;    // short English explanation
  std::string_view rimedio;  // what an author can do about it
};

// The entry for a number, or nullptr for a number that is not used.
const VoceErrore* cerca_errore(std::int32_t numero);

// The explanation, or "unknown error" for a number that is not used.
std::string_view spiegazione(std::int32_t numero);

// One line for a recorded error state: "error 12 at 2500 m: no free cell in
// a window before a slowdown start" (the position only where one goes with
// the number).
std::string riepilogo(std::int32_t numero, std::int32_t posizione);

}  // namespace scenario
