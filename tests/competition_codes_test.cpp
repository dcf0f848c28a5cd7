// Header stamps, the two competition codes and the fatal header errors.
#include "compiler/competition_codes.h"

#include <gtest/gtest.h>

#include "model/errors.h"

namespace {

using namespace scenario;

Modello con_nomi(const std::string& treno, const std::string& nome) {
  Modello m;
  m.tabella_percorso[voce::ripetizione].testo = treno;
  m.tabella_percorso[voce::scenario].testo = nome;
  m.celle.assign(10, cella{});
  return m;
}

TEST(CompetitionCodes, WorkedExamples) {
  struct Case {
    std::string treno, nome;
    std::int16_t celle;
    std::int32_t percorso;
  };
  const std::vector<Case> cases = {
      {"254", "Belvara_Quintosa", 2455, 33391},
      {"254", "BELVARA_QUINTOSA", 2455, 33391},  // case does not matter
      {"a", "bc", 2546, 33756},
  };
  for (const Case& c : cases) {
    Modello m = con_nomi(c.treno, c.nome);
    EXPECT_EQ(codice_gara_og(m), c.celle) << c.treno << c.nome;
    EXPECT_EQ(codice_gara_st(m), c.percorso) << c.treno << c.nome;
  }
  // Empty names: the code text is all padding.
  EXPECT_EQ(testo_codice(con_nomi("", "")), "aabbccddeeffgghhiillmmnnoo");
}

TEST(CompetitionCodes, LongNamesUseNoPaddingAnd8BitLetters) {
  Modello m = con_nomi("1234567890", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  std::int32_t og = 0;
  const std::string t = "1234567890abcdefghijklmno";
  for (char ch : t) og += static_cast<unsigned char>(ch);
  EXPECT_EQ(codice_gara_og(m), og);
  // An accented capital in the Windows-1252 page lowers like a plain one.
  Modello a = con_nomi("", "\xC8");
  Modello b = con_nomi("", "\xE8");
  EXPECT_EQ(codice_gara_st(a), codice_gara_st(b));
}

TEST(HeaderStamps, MarksAndCodesInTheirSlots) {
  Modello m = con_nomi("254", "Belvara_Quintosa");
  stamp_headers(m);
  EXPECT_EQ(m.tabella_percorso[85].intero1, 610);
  EXPECT_EQ(m.tabella_percorso[85].dato4, 33391);
  EXPECT_EQ(m.celle[1].valore_a, 5121);
  EXPECT_EQ(m.celle[1].valore_b, 2455);
}

TEST(HeaderStamps, AFilledSlotIsFatal) {
  struct Case {
    const char* name;
    void (*prepara)(Modello&);
    std::int32_t errore;
  };
  const std::vector<Case> cases = {
      {"cell 1 valore_a", [](Modello& m) { m.celle[1].valore_a = 40; }, 1250},
      {"entry 85 intero1", [](Modello& m) { m.tabella_percorso[85].intero1 = 1; }, 1250},
      {"cell 1 valore_b alone", [](Modello& m) { m.celle[1].valore_b = 20; }, 1251},
      {"entry 85 dato4", [](Modello& m) { m.tabella_percorso[85].dato4 = 7; }, 1251},
  };
  for (const Case& c : cases) {
    Modello m = con_nomi("254", "X");
    c.prepara(m);
    try {
      stamp_headers(m);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const FatalError& e) {
      EXPECT_EQ(e.numero(), c.errore) << c.name;
    }
  }
}

}  // namespace
