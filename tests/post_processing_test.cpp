// The signalling rules on small hand-built cell arrays.
#include "compiler/post_processing.h"

#include <gtest/gtest.h>

namespace {

using namespace scenario;

struct Celle {
  explicit Celle(int ultima) {
    m.celle.assign(static_cast<std::size_t>(ultima) + 1, cella{});
    m.ultima_cella = ultima;
  }
  Celle& metti(int c, std::uint8_t kind, std::int16_t valore = 0) {
    m.celle[static_cast<std::size_t>(c)].tipo_cella = kind;
    m.celle[static_cast<std::size_t>(c)].valore_a = valore;
    return *this;
  }
  // A slowdown start at `inizio` with speed `v` and its end `lunghezza` cells on.
  Celle& rallentamento(int inizio, int lunghezza, std::int16_t v) {
    metti(inizio, tipo::inizio_rallentamento, v);
    return metti(inizio + lunghezza, tipo::fine_rallentamento, v);
  }
  Celle& elabora() {
    post_process(m);
    return *this;
  }
  std::uint8_t kind(int c) const { return m.celle[static_cast<std::size_t>(c)].tipo_cella; }
  std::int16_t valore(int c) const { return m.celle[static_cast<std::size_t>(c)].valore_a; }
  bool marcata(int c) const { return kind(c) == tipo::abbattimento_con_valore && valore(c) == 180; }

  Modello m;
};

constexpr auto S = tipo::segnale;
constexpr auto W = tipo::avviso_rallentamento;
constexpr auto P = tipo::abbattimento_con_valore;
constexpr auto B = tipo::indicatore_v_max;  // any taken kind

TEST(RuleA, SignalsBeforeAWarningBoardGetAPoint) {
  Celle c(100);
  c.metti(50, W).metti(45, S).metti(30, S).metti(29, S).metti(60, S).elabora();
  EXPECT_TRUE(c.marcata(44));
  EXPECT_TRUE(c.marcata(28));          // 29 is taken, so 30's point goes two cells back
  EXPECT_EQ(c.kind(27), tipo::vuota);  // 29 lies 21 cells before the board: not treated
  EXPECT_EQ(c.kind(59), tipo::vuota);  // nor is a signal after the board
  EXPECT_EQ(c.m.numero_errore, 0);
}

TEST(RuleA, ExistingPointsAreLoweredAndFullNeighboursAreAnError) {
  Celle c(100);
  c.metti(50, W).metti(40, S).metti(39, P, 270).metti(38, B);
  c.metti(30, S).metti(29, P, 120).metti(28, B);
  c.metti(45, S).metti(44, B).metti(43, B);
  c.elabora();
  EXPECT_EQ(c.valore(39), 180);
  EXPECT_EQ(c.valore(29), 120);
  EXPECT_EQ(c.m.numero_errore, 11);
  EXPECT_EQ(c.m.posizione_errore, 45 * 50);
}

TEST(RuleA, LooksNoFurtherBackThanCell3) {
  Celle c(100);
  c.metti(10, W).metti(2, S).elabora();
  EXPECT_EQ(c.kind(1), tipo::vuota);  // the signal at 2 is not looked at
  EXPECT_EQ(c.kind(0), tipo::vuota);
  Celle d(100);
  d.metti(10, W).metti(3, S).elabora();
  EXPECT_TRUE(d.marcata(2));
}

TEST(RuleB, WindowsBeforeTheStart) {
  {
    Celle c(100);
    c.rallentamento(7, 3, 120).elabora();
    for (int i = 0; i < 7; ++i) EXPECT_EQ(c.kind(i), tipo::vuota) << i;
  }
  {
    Celle c(100);
    c.rallentamento(8, 3, 120).elabora();
    EXPECT_TRUE(c.marcata(3));
    EXPECT_EQ(c.kind(2), tipo::vuota);
  }
  {
    Celle c(100);
    c.rallentamento(50, 3, 120).metti(45, S).metti(44, P, 100).elabora();
    EXPECT_TRUE(c.marcata(43));  // first free of 45, 44, 43
    EXPECT_TRUE(c.marcata(39));
    EXPECT_TRUE(c.marcata(32));
    EXPECT_EQ(c.m.numero_errore, 0);
  }
  {
    Celle c(100);
    c.rallentamento(50, 3, 120).metti(45, S).metti(44, S).metti(43, P, 100).elabora();
    EXPECT_EQ(c.m.numero_errore, 12);
    EXPECT_EQ(c.m.posizione_errore, 2500);
    EXPECT_TRUE(c.marcata(39));  // the other windows are still tried
    EXPECT_TRUE(c.marcata(32));
  }
}

TEST(RuleB, PointsThroughASlowSlowdown) {
  {
    Celle c(100);
    c.rallentamento(40, 30, 100).elabora();
    for (int i : {48, 56, 64}) EXPECT_TRUE(c.marcata(i)) << i;
    EXPECT_EQ(c.m.numero_errore, 0);
  }
  {
    Celle c(100);
    c.rallentamento(40, 30, 100).metti(56, S).elabora();
    for (int i : {48, 55, 63}) EXPECT_TRUE(c.marcata(i)) << i;
  }
  {
    Celle c(100);
    c.rallentamento(40, 30, 110).elabora();
    for (int i = 41; i < 70; ++i) EXPECT_EQ(c.kind(i), tipo::vuota) << i;
  }
  {
    Celle c(100);
    c.rallentamento(40, 30, 100).metti(47, B).metti(48, B).metti(49, B).elabora();
    EXPECT_EQ(c.m.numero_errore, 13);
    EXPECT_EQ(c.m.posizione_errore, 48 * 50);
    for (int i = 50; i < 70; ++i) EXPECT_EQ(c.kind(i), tipo::vuota) << i;  // no further point
  }
}

TEST(RuleB, TheFirstSignalAfterTheEnd) {
  {
    Celle c(100);
    c.rallentamento(40, 10, 120).metti(51, S).elabora();  // right after the end cell 50
    EXPECT_TRUE(c.marcata(49));
  }
  {
    Celle c(100);
    c.rallentamento(40, 10, 120).metti(62, S).elabora();  // 12 after: protected
    EXPECT_TRUE(c.marcata(61));
  }
  {
    Celle c(100);
    c.rallentamento(40, 10, 120).metti(63, S).elabora();  // 13 after: not
    EXPECT_EQ(c.kind(62), tipo::vuota);
  }
  {
    Celle c(100);
    c.rallentamento(40, 10, 100).metti(55, S).metti(54, B).metti(53, B).elabora();
    EXPECT_EQ(c.m.numero_errore, 13);
    EXPECT_EQ(c.m.posizione_errore, 50 * 50);  // at the end cell, not the signal
  }
}

TEST(RuleB, WalksWithoutAnEndCellStopAtTheLastCell) {
  // The eighth step lands on the last cell: its neighbour beyond counts as taken.
  Celle c(58);
  c.metti(50, tipo::inizio_rallentamento, 100).metti(57, B).metti(58, B).elabora();
  EXPECT_EQ(c.m.numero_errore, 13);
  EXPECT_EQ(c.m.posizione_errore, 58 * 50);
}

TEST(PostProcessing, TheLaterConflictWins) {
  Celle c(100);
  c.rallentamento(50, 3, 120).metti(45, S).metti(44, S).metti(43, S);
  c.rallentamento(80, 3, 120).metti(75, S).metti(74, S).metti(73, S).elabora();
  EXPECT_EQ(c.m.numero_errore, 12);
  EXPECT_EQ(c.m.posizione_errore, 4000);
}

}  // namespace
