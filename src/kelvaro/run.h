#pragma once
// The whole run as one function: reads the input text, writes the report, returns the exit status.
// Every shared storage area, saved static and the generator are reset first, so two runs in one
// process give the same reports as two processes.
//
// Exit statuses: 0 normal end (also the quiet end after Sample 1); 2 unreadable input (two lines
// on `err`: where the read failed and why) or a refused header (one line on `err`, nothing on `out`).

#include <iosfwd>
#include <string_view>

namespace kelvaro {

int run(std::string_view input, std::ostream& out, std::ostream& err);
int run(std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kelvaro
