// Both readers' one loop over a text's rows, and what acting on a row tells
// it. The readers and the station recorder answer with the same outcome.
#pragma once

#include <cstddef>

#include "compiler/row_watch.h"
#include "compiler/value_checks.h"
#include "rows/row_list.h"

namespace scenario {

enum class RowOutcome {
  next,     // the row is recorded; the reading goes on
  end,      // error 15: the text's rows end here; the finishing still runs
  abandon,  // a refused row: the reading of the text ends at once
};

// Acts on the rows of section `s` from rows[i] on, a keyword field at a
// time: each record the field is read as, in test order, goes to act(row).
// Stops at an outcome other than `next`, at the first row of another
// section, and after a keyword field for which closes(field) holds; `i` is
// then the first row not acted on. Where the walk failed, the failure is
// thrown as the reader reaches it: at the value (number(), text_value()) or
// at the end of the rows.
template <typename Act, typename Closes>
RowOutcome act_on_rows(const RowList& l, std::size_t& i, Section s, RowWatch& watch,
                       RepeatedRecords& repeated, Act&& act, Closes&& closes) {
  for (;;) {
    if (i >= l.rows.size()) {
      l.check(i);
      return RowOutcome::next;
    }
    const Row& first = l.rows[i];
    if (first.section != s) return RowOutcome::next;
    watch.keyword(i);
    std::size_t j = i;
    do {
      if (const Row& row = l.rows[j]; row.record) {
        watch.record(j);
        repeated.seen(*row.record, watch.row());
        if (const RowOutcome o = act(j); o != RowOutcome::next) return o;
        l.check(j);
      }
      ++j;
    } while (j < l.rows.size() && l.rows[j].continues);
    i = j;
    watch.row_done();
    if (closes(l.text_of(first.keyword))) return RowOutcome::next;
  }
}

}  // namespace scenario
