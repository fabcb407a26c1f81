// Start-up trace for measuring (not a log): with ORVANE_TRACE naming a file, each mark appends
// the milliseconds since the process began and a label. Without the variable a mark costs a
// flag test.
#pragma once

namespace trace {

// Appends "<ms since process start> <label>" to the trace file, when there is one.
void Mark(const char* label);

}  // namespace trace
