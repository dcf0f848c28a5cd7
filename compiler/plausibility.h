// Values that fit their fields but make no sense where they stand: lengths
// of zero or below, a position written in kilometres or with its sign
// slipped, speeds no railway means, a slowdown that slows nothing, a
// timetable that runs backwards, repeats itself, or asks for more than the
// train's own limits allow, a train without a section it needs, a value
// field left empty while its number stands, skipped, after it. Run once both
// texts are read without an error; warnings only, so no compiled byte
// depends on them.
#pragma once

#include "model/model.h"
#include "rows/row_list.h"

namespace scenario {

// The highest speed a railway line can mean, in km/h. No line in service is
// signed above 350 km/h; 400 leaves room for that and still catches a speed
// written with one zero too many (600 for 60) or a speed and a length or
// position swapped.
inline constexpr std::int32_t speed_ceiling = 400;

// The rows are those the readers acted on.
void check_plausibility(Modello& m, const RowList& linea, const RowList& treno);

}  // namespace scenario
