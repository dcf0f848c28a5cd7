// scenarioc timetable: the train's timetable as its author plans it, one
// row per stretch between consecutive timed stations, with the least time
// the train's own limits allow, and the timetable's warnings.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace scenarioc {

extern const std::string_view timetable_usage;
int run_timetable(std::span<const std::string> args);

}  // namespace scenarioc
