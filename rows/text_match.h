// Keyword tests: both descriptions recognise keywords by substrings, some
// with letter case ignored (ASCII letters only, as the writers emit them).
#pragma once

#include <algorithm>
#include <string_view>

namespace scenario {

inline bool contiene(std::string_view campo, std::string_view parola) {
  return campo.find(parola) != std::string_view::npos;
}

inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// `parola` must be lower case.
inline bool contiene_ci(std::string_view campo, std::string_view parola) {
  return std::search(campo.begin(), campo.end(), parola.begin(), parola.end(),
                     [](char a, char b) { return ascii_lower(a) == b; }) != campo.end();
}

}  // namespace scenario
