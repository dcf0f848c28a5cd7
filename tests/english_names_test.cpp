// The code is named in English, except the formats' fields, the description
// keywords and the legacy procedures: the names doc/glossary.md gives from
// its model table on. Every identifier of the checked folders' code
// (comments and literals aside) is split into words; one that holds an
// Italian word of the list below and is not such a name fails, with the
// files it is in.
#include <gtest/gtest.h>

#include <filesystem>
#include <cctype>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> checked_folders = {"app", "decompiler", "driver", "format",
                                                  "lsp", "render",     "tool"};

// Names the checked folders take from the folders not checked yet, by folder.
const std::map<std::string, std::set<std::string, std::less<>>> names_of_unchecked_folders = {
    {"model", {"crea", "esiste", "valore", "e_stazione", "ultima_cella_per", "voce", "numero"}},
    {"compiler",
     {"find_generale", "generale_field", "contiene", "contiene_ci", "curvatura", "curva", "indicatori",
      "lunghezza", "progressiva_tre", "progressiva_due", "progressiva_uno", "sfondo_uno", "sfondo_due",
      "sfondo_tre", "ripetizione", "pendenza", "montagna", "cartello", "frenata", "vetture", "velocita",
      "orologio", "sabbia", "segnale", "rallentamento", "stazione"}},
    {"text", {"righe_linea", "righe_treno", "righe_note", "righe_rallentamenti", "righe_scheda"}},
};

bool taken_from_unchecked_folder(const std::string& name) {
  for (const auto& [folder, names] : names_of_unchecked_folders)
    if (names.contains(name)) return true;
  return false;
}

// Italian words that are not English ones too ("curve", "note", "file",
// "fine" are both, and left out).
const std::set<std::string, std::less<>> italian_words = {
    "abbandona", "abbassa", "accettate", "aderenza", "alla", "altezza", "altra", "altri",
    "analizzatore", "approccio", "attesa", "attese", "attesi", "atteso", "avanti", "avvisa",
    "avviso", "bassa", "binario", "bloccata", "blocco", "campi", "campo", "candidato", "cantiere",
    "cartella", "cartelle", "cartelli", "cartello", "casi", "caso", "cattura", "cella", "celle",
    "centinaia", "chiave", "citata", "classe", "classi", "codice", "codici", "comando", "commenti",
    "commento", "compilati", "compilato", "conta", "contenuto", "contiene", "controlla", "copia",
    "corpo", "crea", "curva", "curvatura", "da", "danneggia", "dati", "dato", "degli", "della",
    "dello", "dentro", "destra", "di", "dimensione", "disegna", "dopo", "dove", "elabora",
    "elementi", "elemento", "entra", "errore", "errori", "esegui", "esempio", "esiste", "esito",
    "esterni", "estesa", "fatale", "fatali", "fatto", "fermata", "fermate", "fermo", "finestra",
    "fuori", "generale", "grande", "grave", "gruppo", "guasti", "guasto", "illeggibile", "immagine",
    "indicatore", "indice", "inizio", "interi", "intero", "intestazione", "leggi", "letta", "lette",
    "letti", "letto", "lettura", "letture", "libere", "limite", "linea", "lunga", "lunghezza",
    "manca", "marca", "marcata", "marcatore", "marcatori", "marchio", "massima", "massimi",
    "massimo", "memo", "memorizza", "messaggi", "messaggio", "metri", "metti", "mezzo", "minima",
    "minimo", "montagna", "montagne", "nel", "nella", "nome", "nomi", "numero", "nuova", "nuovo",
    "ordinati", "ore", "orologio", "parola", "passi", "passo", "pendenza", "pendenze", "perche",
    "percorso", "piano", "piccolo", "pieno", "piu", "posizione", "posti", "preavviso", "precedente",
    "predefinito", "prendi", "prepara", "prese", "primo", "prodotti", "prodotto", "programma",
    "progressiva", "prossima", "prova", "prove", "pulito", "punti", "punto", "quando", "quello",
    "questo", "rallentamenti", "rallentamento", "reale", "reali", "registra", "resto", "riempi",
    "riferimento", "riga", "righe", "rimuovi", "ripetizione", "ripetuti", "risultato", "sabbia",
    "scheda", "scritto", "scrittura", "scrivi", "secondo", "segnale", "segnali", "segni", "segno",
    "senza", "sfondo", "sinistra", "solo", "sorgente", "sorgenti", "sostituisci", "stazione",
    "stazioni", "sul", "sulla", "tabella", "taciuto", "tempo", "testi", "testo", "timbra", "tipi",
    "tipo", "titolo", "traccia", "tracciato", "treno", "tronca", "trovato", "uguale", "ultima",
    "ultimo", "uscita", "valore", "valori", "vecchio", "veloce", "velocita", "vetture", "voce",
    "voci", "vuota", "vuoto", "zona",
};

// The glossary's own names from its model table on: each whole identifier
// in backquotes, a keyword of several words joined by underscores, and
// `x1`…`x4` as every name between.
std::set<std::string> glossary_names(const std::string& glossary) {
  std::set<std::string> names;
  const std::string from = glossary.substr(glossary.find("## The model"));
  const std::regex quoted("`([A-Za-z_][A-Za-z0-9_ ]*)`");
  for (std::sregex_iterator i(from.begin(), from.end(), quoted), end; i != end; ++i) {
    std::string name = (*i)[1];
    for (char& c : name) c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.insert(name);
  }
  const std::regex range("`([a-z_]+)([a-z0-9])`…`\\1([a-z0-9])`");
  for (std::sregex_iterator i(from.begin(), from.end(), range), end; i != end; ++i)
    for (char c = (*i)[2].str()[0]; c <= (*i)[3].str()[0]; ++c) names.insert((*i)[1].str() + c);
  return names;
}

// The code without its comments and literals.
std::string code_of(const std::string& source) {
  std::string out;
  for (std::size_t i = 0; i < source.size();) {
    if (source.compare(i, 2, "//") == 0) {
      i = source.find('\n', i);
      if (i == std::string::npos) break;
    } else if (source.compare(i, 2, "/*") == 0) {
      const std::size_t end = source.find("*/", i + 2);
      i = end == std::string::npos ? source.size() : end + 2;
    } else if (source.compare(i, 3, "R\"(") == 0) {
      const std::size_t end = source.find(")\"", i + 3);
      i = end == std::string::npos ? source.size() : end + 2;
      out += ' ';
    } else if (source[i] == '"' || source[i] == '\'') {
      const char quote = source[i++];
      while (i < source.size() && source[i] != quote && source[i] != '\n') i += source[i] == '\\' ? 2 : 1;
      ++i;
      out += ' ';
    } else {
      out += source[i++];
    }
  }
  return out;
}

// An identifier's words: split at underscores, at a capital after a small
// letter, and at digits, all in small letters.
std::vector<std::string> words_of(std::string_view name) {
  std::vector<std::string> words;
  std::string word;
  auto end_word = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c == '_' || std::isdigit(c)) {
      end_word();
    } else {
      if (std::isupper(c) && i > 0 && std::islower(static_cast<unsigned char>(name[i - 1]))) end_word();
      word += static_cast<char>(std::tolower(c));
    }
  }
  end_word();
  return words;
}

TEST(EnglishNames, TheCheckedFoldersNameTheirCodeInEnglish) {
  const fs::path root = fs::path(GOLDEN_DIR) / ".." / "..";
  const std::set<std::string> allowed = glossary_names(testing_support::read_bytes(root / "doc" / "glossary.md"));
  ASSERT_TRUE(allowed.contains("tipo_cella") && allowed.contains("valore_c") &&
              allowed.contains("memorizza_percorso") && allowed.contains("lunghezza_percorso"));

  std::map<std::string, std::set<std::string>> italian;  // name: files
  std::size_t files = 0;
  for (const std::string& folder : checked_folders) {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = e.path().extension().string();
      if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      ++files;
      const std::string code = code_of(testing_support::read_bytes(e.path()));
      const std::regex identifier("[A-Za-z_][A-Za-z0-9_]*");
      for (std::sregex_iterator i(code.begin(), code.end(), identifier), end; i != end; ++i) {
        const std::string name = i->str();
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (allowed.contains(lower) || taken_from_unchecked_folder(name)) continue;
        for (const std::string& w : words_of(name))
          if (italian_words.contains(w)) italian[name].insert(fs::relative(e.path(), root).generic_string());
      }
    }
  }
  EXPECT_GT(files, 50u);
  std::string found;
  for (const auto& [name, in] : italian) {
    found += name + ":";
    for (const std::string& f : in) found += " " + f;
    found += "\n";
  }
  EXPECT_EQ(found, "") << "Italian names outside the glossary; name them in English:\n" << found;
}

}  // namespace
