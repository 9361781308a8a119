#pragma once
// Recognises a kelvaro report line by line, as a stream, and collects its results into tables
// (tables.h). Recognition is strict about the report's texts, the order of its sections and the
// layout of every number field, so that a value can never be taken from the wrong place; it
// ignores only blanks at line ends and accepts LF, CR LF and CR line ends. A report is complete
// only where kelvaro ends a complete run: after the closing note of a two-sample report (blank
// lines after it are ignored), or, when the input held Sample 1 only, right after a complete
// Sample 1 section (with its M(h) test when it has species) and its last line end. Anything
// shorter is refused as incomplete: kelvaro failed part-way, or the file was cut. (A run that
// failed while reading Sample 2's data leaves exactly a single-sample report: only kelvaro's exit
// status tells them apart.)

#include <string_view>

#include "kelvaro/byte_source.h"
#include "tidy/tables.h"

namespace kelvaro::tidy {

// Throws ReportError naming the first line (from 1) that does not fit, or the line after the
// last when the report ends too early (kind kIncomplete); kOtherFile for kelvaro's input or a
// CSV table. Throws ReadError when the input cannot be read. Degenerate input: an empty input is
// refused as incomplete at line 1.
Report parse_report(tools::ByteSource& source);

// The same for a report held in memory.
Report parse_report(std::string_view text);

}  // namespace kelvaro::tidy
