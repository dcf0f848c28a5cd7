// The rows of the two description texts, for the editor: the row list the
// compiler's readers take (rows/row_list.h). Like the readers it goes on
// past a malformed value: the editor still wants the rows after it. The
// compiler alone decides what is an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rows/records.h"
#include "rows/row_list.h"
#include "model/diagnostics.h"

namespace lsp {

using scenario::Text;

// The records and their values come from the compiler's record table.
using scenario::Placement;
using scenario::RecordId;
using scenario::RecordInfo;
using scenario::records;
using FieldInfo = scenario::ValueInfo;

using scenario::Field;
using scenario::Row;

// A document's rows: the row list the compiler's readers take, read once
// per change of the document and handed to its compilations. Rows whose
// keyword passes no record's test have no record; the editor skips them.
using Outline = scenario::RowList;

// The rows of a text; curves are always records for the editor.
std::shared_ptr<const Outline> outline(std::string_view text, Text which);
// The rows of no text.
const std::shared_ptr<const Outline>& no_outline();

// The row whose bytes (keyword to last value) hold `offset`, or nullptr.
const Row* row_at(const Outline& o, std::size_t offset);

// The value index of the field of `row` that holds `offset`, or -1 on the keyword.
int field_at(const Outline& o, const Row& row, std::size_t offset);

}  // namespace lsp
