#pragma once
// Recognises a kelvaro report line by line and collects its results into tables (tables.h).
// Recognition is strict about the report's texts, the order of its sections and the layout of
// every number field, so that a value can never be taken from the wrong place; it ignores only
// blanks at line ends and accepts LF as well as CR LF line ends. A report that ends after the
// Sample 1 section (a single-sample run) is complete; one that stops anywhere else is not.

#include <string_view>

#include "tidy/tables.h"

namespace kelvaro::tidy {

// Throws ReportError naming the first line (from 1) that does not fit, or the line after the
// last when the report ends too early. Degenerate input: empty text is refused at line 1.
Report parse_report(std::string_view text);

}  // namespace kelvaro::tidy
