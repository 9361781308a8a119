#pragma once
// The command line of kelvaro: `kelvaro [OPTIONS] [FILE]`.
//
//   kelvaro data.txt       -> file "data.txt"
//   kelvaro - / kelvaro    -> standard input
//   kelvaro -- -odd.txt    -> file "-odd.txt" (after "--" nothing is an option)
//   kelvaro --x            -> error "unknown option '--x' (kelvaro --help lists the options)"

#include <optional>
#include <string>
#include <variant>

namespace kelvaro::cli {

struct Arguments {
  bool help = false;     // --help, -h: usage on standard output
  bool version = false;  // --version, -V
  bool check = false;    // --check: read and check the input only, no report
  bool quiet = false;    // --quiet, -q: no warnings
  int threads = 0;       // --threads N: threads for the bootstrap; 0 = the machine's cores
  // The input file; nullopt (or "-" on the command line) means standard input.
  std::optional<std::string> file;
};

// Parses argv[1..argc-1]. Returns the arguments, or the message for a command line that cannot be
// used (without the "kelvaro: " prefix).
std::variant<Arguments, std::string> parse_arguments(int argc, const char* const* argv);

// The text of --help.
const char* help_text();

}  // namespace kelvaro::cli
