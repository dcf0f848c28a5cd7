#include "platform/fault_injection.h"

#include <stdexcept>

#include "platform/platform_internal.h"

namespace platform {
namespace detail {
namespace {
testing::FaultPlan* current_plan = nullptr;
}  // namespace

std::atomic<bool> faults_planned{false};

Error planned_fault(testing::Operation operation) {
  if (current_plan == nullptr) return 0;
  const std::optional<testing::Fault> fault = current_plan->next(operation);
  return fault ? error_for(*fault) : 0;
}

}  // namespace detail

namespace testing {

FaultPlan::FaultPlan() {
  if (detail::current_plan != nullptr) throw std::logic_error("a fault plan is already set");
  detail::current_plan = this;
  detail::faults_planned.store(true, std::memory_order_relaxed);
}

FaultPlan::~FaultPlan() {
  detail::faults_planned.store(false, std::memory_order_relaxed);
  detail::current_plan = nullptr;
}

FaultPlan& FaultPlan::fail(Operation operation, int nth, Fault fault) {
  planned_.push_back({operation, counts_[static_cast<std::size_t>(operation)] + nth, fault});
  return *this;
}

int FaultPlan::count(Operation operation) const {
  return counts_[static_cast<std::size_t>(operation)];
}

std::optional<Fault> FaultPlan::next(Operation operation) {
  const int n = ++counts_[static_cast<std::size_t>(operation)];
  for (const Planned& p : planned_) {
    if (p.operation == operation && p.nth == n) return p.fault;
  }
  return std::nullopt;
}

}  // namespace testing
}  // namespace platform
