#pragma once
// The whole run as one function: reads the input, writes the report, returns the exit status.
// Every shared storage area, saved static and the generator are reset first, so two runs in one
// process give the same reports as two processes.
//
// Exit statuses: 0 normal end (also the quiet end after Sample 1); 1 the report could not be
// written (`out` went bad; the owner of the stream knows why and says so; the run stops at the
// first failed record); 2 unreadable input (two lines on `err`: where the read failed and why),
// an input that cannot be read at all (one line, "kelvaro: cannot read the input: <reason>"), or
// a refused header (one line on `err`, nothing on `out`).

#include <iosfwd>
#include <string>
#include <string_view>

#include <functional>

#include "compn/bootstrap.h"
#include "shared/warnings.h"
#include "textio/byte_source.h"

namespace kelvaro {

inline constexpr int kStatusComplete = 0;
inline constexpr int kStatusWriteFailed = 1;
inline constexpr int kStatusBadInput = 2;

struct RunSettings {
  // The name the read-error diagnostic gives the input: "At line 7 of file kelvaro (unit = 5,
  // file = 'stdin')".
  std::string input_name = "stdin";
  // Told how each block's bootstrap advances (nullptr: nobody).
  BootstrapObserver* observer = nullptr;
  // Handed every warning as it arises (probable slips in the input, results not to trust).
  std::function<void(const Warning&)> on_warning;
  // Read and check the input only: warnings, but no report and nothing estimated. The exit
  // statuses are those of a run (2 when the input cannot be read).
  bool check_only = false;
};

int run(textio::ByteSource& in, const RunSettings& settings, std::ostream& out, std::ostream& err);
int run(std::string_view input, std::ostream& out, std::ostream& err);
int run(std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kelvaro
