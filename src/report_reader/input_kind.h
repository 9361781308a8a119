#pragma once
// What a file given to kelvaro-tidy is when it is not a report, judged by its first line:
// kelvaro's input (a header record of numbers) or a CSV table (separators). Said plainly,
// because the usual cause is a step of the pipe left out.
//
//   "10 10 0 50 400"                    ->  kelvaro's input
//   "site,Simve,Potam" / "a;b" / "a<TAB>b" ->  a CSV table
//   " Some other program"               ->  nullopt

#include <optional>
#include <string>
#include <string_view>

namespace kelvaro::tidy {

// The message for such a file, or nullopt when the line is neither.
std::optional<std::string> other_file_kind(std::string_view first_line);

}  // namespace kelvaro::tidy
