#pragma once
// The run driver: header, banner, seed, the four blocks in their fixed order, the test between
// the samples, and the community-dynamics summary.

#include "kelvaro/header.h"
#include "textio/list_reader.h"

namespace kelvaro {

// Reads the header (record 1). Throws textio::ReadError when it cannot be read.
Header read_header(textio::ListReader& in);

// Everything after the header: prints the report, reads the blocks. Returns when the run ends
// (after Subset B's summary, or quietly when Sample 2 is missing, unreadable or empty). Without
// `analyse` the blocks are only read and checked (warnings), with nothing estimated or drawn.
// Throws textio::ReadError on unreadable input. Requires: refusal(h) is empty.
void drive(const Header& h, textio::ListReader& in, bool analyse = true);

}  // namespace kelvaro
