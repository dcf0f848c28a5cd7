#include "model/plan.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace scenario {
namespace {

std::uint64_t le(const std::uint8_t* p, std::size_t bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < bytes; ++i) v |= std::uint64_t{p[i]} << (8 * i);
  return v;
}

}  // namespace

Tracciato::~Tracciato() {
  if (observer_ != nullptr) observer_->plan_released();
}

Tracciato::Tracciato(Tracciato&& other) noexcept
    : points_(std::exchange(other.points_, 0)),
      set_(std::exchange(other.set_, 0)),
      set_bytes_(std::exchange(other.set_bytes_, 0)),
      runs_(std::move(other.runs_)),
      images_{std::move(other.images_[0]), std::move(other.images_[1])},
      observer_(std::exchange(other.observer_, nullptr)),
      reported_(std::exchange(other.reported_, 0)) {
  other.runs_.clear();
}

Tracciato& Tracciato::operator=(Tracciato&& other) noexcept {
  if (this == &other) return *this;
  if (observer_ != nullptr) observer_->plan_released();
  points_ = std::exchange(other.points_, 0);
  set_ = std::exchange(other.set_, 0);
  set_bytes_ = std::exchange(other.set_bytes_, 0);
  runs_ = std::move(other.runs_);
  other.runs_.clear();
  images_[0] = std::move(other.images_[0]);
  images_[1] = std::move(other.images_[1]);
  observer_ = std::exchange(other.observer_, nullptr);
  reported_ = std::exchange(other.reported_, 0);
  return *this;
}

void Tracciato::crea(std::int32_t ultimo_punto) {
  if (ultimo_punto < 0) throw std::invalid_argument("a plan's last point cannot be negative");
  // An observer knows of every plan made while it observes.
  if (observer_ != nullptr && points_ != 0) observer_->plan_dropped();
  // No plan until both images are there, should memory run out.
  points_ = 0;
  set_ = 0;
  set_bytes_ = 0;
  reported_ = 0;
  runs_.clear();
  // Room for every point a real; the pages of what stays unused are never
  // touched, so never supplied (unless an observer readies them). The old
  // images go first, so their memory can serve the new ones.
  const std::size_t points = static_cast<std::size_t>(ultimo_punto) + 1;
  for (platform::ZeroedBlock& image : images_) image = platform::ZeroedBlock();
  for (platform::ZeroedBlock& image : images_) image = platform::ZeroedBlock(points * element_width(Tipo::reale));
  points_ = points;
  if (observer_ != nullptr) tell_plan_made();
}

void Tracciato::observe(Observer* o) {
  if (observer_ != nullptr && observer_ != o) observer_->plan_released();
  observer_ = o;
  if (observer_ != nullptr && points_ != 0) tell_plan_made();
}

void Tracciato::tell_plan_made() {
  observer_->plan_made({{images_[0].data(), images_[1].data()}, images_[0].size()});
}

void Tracciato::foresee(std::size_t integers, std::size_t reals) {
  if (observer_ == nullptr || integers + reals > points_) return;
  observer_->size_foreseen(integers * element_width(Tipo::intero) + reals * element_width(Tipo::reale) +
                           (points_ - integers - reals) * element_width(Tipo::vuoto));
}

Tracciato::Element Tracciato::element(std::size_t punto) const {
  if (punto >= points_) throw std::out_of_range("point " + std::to_string(punto) + " is past the plan");
  if (punto >= set_) return {Tipo::vuoto, set_bytes_ + (punto - set_) * element_width(Tipo::vuoto)};
  // The last run that starts at or before the point; before the first run
  // the points are empty.
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), punto,
                                      [](std::size_t p, const Run& r) { return p < r.first; });
  if (after == runs_.begin()) return {Tipo::vuoto, punto * element_width(Tipo::vuoto)};
  const Run& r = *(after - 1);
  return {r.kind, r.byte + (punto - r.first) * element_width(r.kind)};
}

Tracciato::Tipo Tracciato::tipo(std::size_t punto, int) const { return element(punto).kind; }

double Tracciato::valore(std::size_t punto, int coord) const {
  const Element e = element(punto);
  const std::uint8_t* p = images_[coord].data() + e.byte + tag_width;
  switch (e.kind) {
    case Tipo::intero:
      return static_cast<std::int16_t>(static_cast<std::uint16_t>(le(p, value_width(Tipo::intero))));
    case Tipo::reale: return std::bit_cast<double>(le(p, value_width(Tipo::reale)));
    default: return 0.0;
  }
}

// A point that may be set next: not one already set, nor past the plan.
void Tracciato::check_settable(std::size_t punto) const {
  if (punto < set_) throw std::logic_error("plan point " + std::to_string(punto) + " is already set");
  if (punto >= points_) past_the_end();
}

void Tracciato::set_integer_point(std::size_t punto, std::int16_t x, std::int16_t y) {
  check_settable(punto);
  Appender a(*this);
  while (a.next_point() < punto) a.vuoto();
  a.intero(x, y);
}

void Tracciato::set_real_point(std::size_t punto, double x, double y) {
  check_settable(punto);
  Appender a(*this);
  while (a.next_point() < punto) a.vuoto();
  a.reale(x, y);
}

std::span<const std::uint8_t> Tracciato::image(int coord) const {
  if (points_ == 0) return {};
  return {images_[coord].data(), set_bytes_ + (points_ - set_) * element_width(Tipo::vuoto)};
}

void Tracciato::add_run(std::size_t first, std::size_t byte, Tipo kind) {
  runs_.push_back({first, byte, kind});
}

void Tracciato::past_the_end() { throw std::logic_error("a plan point past the last one"); }

}  // namespace scenario
