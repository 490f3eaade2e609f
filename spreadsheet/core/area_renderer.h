// The rendering of one area of a table document into a workbook: the sheet it goes to, where the
// top of list, the header, the data and the end of list stand, which colour slot fills which rows,
// which format goes to which range, which rows are merged and when columns freeze. Written once for
// every workbook (Excel through its automation objects, an .xlsx file natively).
#pragma once

#include "core/status.h"
#include "core/table_model.h"
#include "core/trace_sink.h"
#include "core/workbook.h"

namespace vex::table {

// Writes the area into the workbook, step after step; the first failing step is traced with its
// text and ends the rendering with its status (what was written before stays). trace may be null.
//
// Layout, with T top-of-list rows, R data rows of K columns and E end-of-list rows:
//   rows 1 .. T                top of list
//   row T + 1                  column titles, in colour slot 0
//   rows T + 2 .. T + R + 1    data (F = T + 2 is the first data row), in colour slot 4; subtotal
//                              rows in slot 2, nested subtotal rows in slot 3; collapsed rows merged
//   rows T + R + 2 .. + E      end of list
// A row position p of the model is sheet row F + p, a column position c sheet column c + 1.
Status render_area(const TableModel& area, Workbook& workbook, TraceSink* trace);

} // namespace vex::table
