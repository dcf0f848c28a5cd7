// The five texts of the embedded scenario (Belvara_Quintosa, train 254) and
// their writers. Each writer replaces its file whole in `cartella`.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/file_names.h"

namespace scenario {

// Line lists, each ending with the sentinel `end_of_lines`.
std::span<const std::string_view> righe_linea();
std::span<const std::string_view> righe_treno();
std::span<const std::string_view> righe_note();
std::span<const std::string_view> righe_rallentamenti();
std::span<const std::string_view> righe_scheda();

void dati_linea(const std::string& cartella, const FileNames& nomi);
void dati_treno(const std::string& cartella, const FileNames& nomi);
void dati_note(const std::string& cartella, const FileNames& nomi);
void dati_rallentamenti(const std::string& cartella, const FileNames& nomi);
void dati_scheda(const std::string& cartella, const FileNames& nomi);

}  // namespace scenario
