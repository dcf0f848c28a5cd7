// The plan held as its file image: points of any kinds in any order of runs
// read back by kind and value and give the compiled line file's bytes, a
// file of such runs reads back to the same bytes, and points are set only in
// order and never past the plan.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "format/compiled_files.h"
#include "format/compiled_files_reader.h"
#include "model/plan.h"

namespace {

using scenario::Tracciato;

// One point: empty, two integers or two reals.
using PlanPoint = std::variant<std::monostate, std::pair<std::int16_t, std::int16_t>, std::pair<double, double>>;

// The file's bytes spelt out element by element, the way the format
// describes them.
std::string immagine_attesa(const std::vector<PlanPoint>& punti) {
  std::string out;
  auto le = [&](std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
  };
  for (int coord = 0; coord < 2; ++coord) {
    for (const PlanPoint& p : punti) {
      if (const auto* i = std::get_if<1>(&p)) {
        le(2, 2);
        le(static_cast<std::uint16_t>(coord == 0 ? i->first : i->second), 2);
      } else if (const auto* r = std::get_if<2>(&p)) {
        le(5, 2);
        le(std::bit_cast<std::uint64_t>(coord == 0 ? r->first : r->second), 8);
      } else {
        le(0, 2);
      }
    }
  }
  return out;
}

std::string byte_del(const Tracciato& t) {
  std::string out;
  scenario::serialize_plan(t, 7, [&](std::span<const std::uint8_t> b) { out.append(b.begin(), b.end()); });
  return out;
}

void controlla(const Tracciato& t, const std::vector<PlanPoint>& punti, const std::string& caso) {
  ASSERT_EQ(t.punti(), punti.size()) << caso;
  for (std::size_t p = 0; p < punti.size(); ++p) {
    for (int coord = 0; coord < 2; ++coord) {
      const PlanPoint& atteso = punti[p];
      if (const auto* i = std::get_if<1>(&atteso)) {
        EXPECT_EQ(t.tipo(p, coord), Tracciato::Tipo::intero) << caso << " point " << p;
        EXPECT_EQ(t.valore(p, coord), coord == 0 ? i->first : i->second) << caso << " point " << p;
      } else if (const auto* r = std::get_if<2>(&atteso)) {
        EXPECT_EQ(t.tipo(p, coord), Tracciato::Tipo::reale) << caso << " point " << p;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(t.valore(p, coord)),
                  std::bit_cast<std::uint64_t>(coord == 0 ? r->first : r->second))
            << caso << " point " << p;
      } else {
        EXPECT_EQ(t.tipo(p, coord), Tracciato::Tipo::vuoto) << caso << " point " << p;
      }
    }
  }
  EXPECT_EQ(byte_del(t), immagine_attesa(punti)) << caso;
}

TEST(PlanImage, PointsOfAnyRunsReadBackAndGiveTheFileBytes) {
  const double nan = std::bit_cast<double>(std::uint64_t{0x7ff4000000000001});  // a payload to keep
  using I = std::pair<std::int16_t, std::int16_t>;
  using R = std::pair<double, double>;
  const std::vector<std::pair<std::string, std::vector<PlanPoint>>> casi = {
      {"the compiler's shape", {I{0, 0}, I{0, 1}, R{0.5, 2.0}, R{1e-300, -3.25}, {}, {}}},
      {"all empty", {{}, {}, {}}},
      {"empty first, runs in the middle, reals last",
       {{}, {}, I{-32768, 32767}, R{-0.0, nan}, R{1, 2}, {}, I{7, -7}, I{8, 8}, {}, R{3, 4}}},
      {"every point its own run", {R{1, 1}, I{2, 2}, {}, R{3, 3}, {}, I{4, 4}, R{5, 5}}},
  };
  for (const auto& [caso, punti] : casi) {
    // Set point by point, skipping the empty ones.
    Tracciato t;
    t.crea(static_cast<std::int32_t>(punti.size()) - 1);
    for (std::size_t p = 0; p < punti.size(); ++p) {
      if (const auto* i = std::get_if<1>(&punti[p])) t.set_integer_point(p, i->first, i->second);
      if (const auto* r = std::get_if<2>(&punti[p])) t.set_real_point(p, r->first, r->second);
    }
    controlla(t, punti, caso + ", set");
    // The same bytes as a file, read back.
    controlla(scenario::read_plan(immagine_attesa(punti)), punti, caso + ", read");
  }
}

TEST(PlanImage, PointsAreSetInOrderAndNeverPastThePlan) {
  Tracciato t;
  t.crea(4);  // points 0 to 4
  t.set_real_point(1, 1.5, 2.5);
  const std::string prima = byte_del(t);
  EXPECT_THROW(t.set_real_point(1, 9, 9), std::logic_error);      // already set
  EXPECT_THROW(t.set_integer_point(0, 9, 9), std::logic_error);   // behind the last set
  EXPECT_THROW(t.set_integer_point(5, 9, 9), std::logic_error);   // past the plan
  {
    Tracciato::Appender a(t);
    EXPECT_THROW(a.reali(4, [] { return std::pair{9.0, 9.0}; }), std::logic_error);  // 3 points left
  }
  EXPECT_EQ(byte_del(t), prima);
  t.set_integer_point(4, 3, 4);
  controlla(t, {{}, std::pair{1.5, 2.5}, {}, {}, std::pair<std::int16_t, std::int16_t>{3, 4}}, "after refusals");

  Tracciato vuoto;
  EXPECT_FALSE(vuoto.esiste());
  EXPECT_TRUE(vuoto.image(0).empty());
  EXPECT_THROW(vuoto.set_real_point(0, 1, 1), std::logic_error);
}

TEST(PlanImage, APlanMadeWhereAnotherWasReadsEmptyWhereNothingIsSet) {
  // Memory one plan gives back serves the next, which must find it cleared:
  // plans written full (on the heap and, from 2 MB, mapped), then small
  // ones made again in the same plan and in a new one.
  using I = std::pair<std::int16_t, std::int16_t>;
  using R = std::pair<double, double>;
  const std::vector<PlanPoint> atteso = {I{1, 2}, {}, {}, R{-0.5, 0.25}, {}, {}};
  for (const std::size_t pieno : {std::size_t{5000}, std::size_t{300'000}}) {
    SCOPED_TRACE(std::to_string(pieno) + " points written first");
    Tracciato t;
    auto riempi = [&] {
      t.crea(static_cast<std::int32_t>(pieno) - 1);
      Tracciato::Appender a(t);
      a.reali(pieno, [] { return std::pair{-1.0, -2.0}; });
    };
    auto piccolo = [&](Tracciato& u) {
      u.crea(static_cast<std::int32_t>(atteso.size()) - 1);
      u.set_integer_point(0, 1, 2);
      u.set_real_point(3, -0.5, 0.25);
    };
    riempi();
    piccolo(t);
    controlla(t, atteso, "made again");
    riempi();
    t = Tracciato();
    Tracciato nuovo;
    piccolo(nuovo);
    controlla(nuovo, atteso, "a new plan");
  }
}

// An observer hears of every end of its reading: taken off, or the plan it
// observes destroyed or assigned over, it is released while the images are
// still there; a plan moved takes the observer with its images.
class Recorder final : public Tracciato::Observer {
 public:
  void plan_made(Images images) override {
    calls.push_back("made");
    images_ = images;
  }
  void size_foreseen(std::size_t) override { calls.push_back("foreseen"); }
  void images_ready(std::size_t) override { calls.push_back("ready"); }
  void plan_dropped() override { calls.push_back("dropped"); }
  void plan_released() override {
    // Still readable: the plan lets go of its images only afterwards.
    if (images_) calls.push_back(images_->data[0][0] == 2 ? "released, images there" : "released, images changed");
    else calls.push_back("released");
    images_.reset();
  }
  std::vector<std::string> calls;

 private:
  std::optional<Images> images_;
};

TEST(PlanObserver, IsReleasedBeforeTheImagesGo) {
  auto made = [](Tracciato& t, Recorder& r) {
    t.crea(10);
    t.set_integer_point(0, 0, 0);
    t.observe(&r);
  };
  using Calls = std::vector<std::string>;
  {
    Recorder r;
    Tracciato t;
    made(t, r);
    t.observe(nullptr);
    EXPECT_EQ(r.calls, (Calls{"made", "released, images there"}));
  }
  {
    Recorder r;
    {
      Tracciato t;
      made(t, r);
    }
    EXPECT_EQ(r.calls, (Calls{"made", "released, images there"}));
  }
  {
    Recorder r;
    Tracciato t;
    made(t, r);
    t = Tracciato();
    EXPECT_EQ(r.calls, (Calls{"made", "released, images there"}));
    EXPECT_FALSE(t.esiste());
  }
  {
    Recorder r, other;
    Tracciato t;
    made(t, r);
    t.observe(&other);
    EXPECT_EQ(r.calls, (Calls{"made", "released, images there"}));
    t.observe(nullptr);
  }
  {
    Recorder r;
    std::optional<Tracciato> moved;
    {
      Tracciato t;
      made(t, r);
      moved.emplace(std::move(t));
      EXPECT_FALSE(t.esiste());
    }
    EXPECT_EQ(r.calls, (Calls{"made"}));
    moved.reset();
    EXPECT_EQ(r.calls, (Calls{"made", "released, images there"}));
  }
}

}  // namespace
