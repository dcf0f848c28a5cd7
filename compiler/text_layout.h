// Mistakes in how a description text is laid out that the reader swallows
// or blames on the wrong row: a quoted text that runs on past its line, a
// section header that lacks a bracket, values set apart by tabs or
// semicolons, a decimal comma or a thousands separator. Run once a text has
// been read (or has failed), over the text and the diagnostics its reading
// left; it never touches the model's compiled values.
#pragma once

#include <string_view>

#include "model/model.h"

namespace scenario {

void check_layout(Modello& m, Text text, std::string_view source);

}  // namespace scenario
