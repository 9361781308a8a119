#include "cli/arguments.h"

#include <string_view>

#include "kelvaro/command_line.h"

namespace kelvaro::cli {

std::variant<Arguments, std::string> parse_arguments(int argc, const char* const* argv) {
  Arguments a;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && (arg == "--help" || arg == "-h")) {
      a.help = true;
    } else if (!options_end && (arg == "--version" || arg == "-V")) {
      a.version = true;
    } else if (!options_end && arg == "--check") {
      a.check = true;
    } else if (!options_end && (arg == "--quiet" || arg == "-q")) {
      a.quiet = true;
    } else if (!options_end && (arg == "--threads" || arg.rfind("--threads=", 0) == 0)) {
      std::string value;
      if (arg == "--threads") {
        if (i + 1 >= argc) return "--threads needs a number of threads, e.g. --threads 2";
        value = argv[++i];
      } else {
        value = std::string(arg.substr(10));
      }
      int n = 0;
      if (auto refusal = parse_whole_number_option("--threads", value, 1, 1024, n)) return *refusal;
      a.threads = n;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + std::string(arg) + "' (kelvaro --help lists the options)";
    } else if (a.file) {
      return "more than one input file ('" + *a.file + "' and '" + std::string(arg) +
             "'); kelvaro reads one input (kelvaro --help shows how)";
    } else {
      a.file = std::string(arg);
    }
  }
  if (a.file && *a.file == "-") a.file.reset();
  return a;
}

const char* help_text() {
  return R"(Usage: kelvaro [OPTIONS] [FILE]

Estimates species richness (jackknife estimator of model M(h)) and community
dynamics between two samples of species detections, with bootstrap intervals,
and writes a fixed plain-text report on standard output. Reads FILE, or
standard input when FILE is absent or '-'.

Options:
      --check      read and check the input only: print its warnings, no report
                   (exit status 0: no warning, 1: warnings, 2: unreadable input)
  -q, --quiet      no warnings on standard error
      --threads N  threads for the bootstrap (default: the machine's cores, used
                   when a block has enough replicate work; the report is the
                   same for every N)
  -h, --help       show this help and exit
  -V, --version    show the version and exit

Warnings (standard error, never in the report): input that is probably a
typing slip (numbers beyond a record, empty values, negative or fractional
counts, totals that disagree) and results not to trust (skipped order tests,
intervals from few replicates, a seed from the clock, ...).

Input: free-form numbers (blanks, tabs, commas, semicolons or line ends
between them); each record starts on a new line, and the rest of its last line
is ignored.
  header      t1 t2 pair nreps ix
              t1, t2: sites of Sample 1 and Sample 2, 1..1000, with or
              without the pair (earlier versions took at most 98, 49 with
              the pair: their storage had 100 places); a negative t1
              switches off the range adjustment.
              pair: 0, or non-zero when every block has an f' record.
              nreps: bootstrap iterations (at most 10000); negative also
              prints the replicate detail. ix: seed (0 = from the clock).
  Sample 1    f(1..t1)   species seen at exactly i sites
              n(1..t1)   species seen at site i
              [f'(1..t1+1) with the pair: sites taken in groups of 10]
  Sample 2    f(1..t2), n(1..t2) [, f'(1..t2+1)]; without it the report ends
              after Sample 1 (single-sample richness)
  Subset A    species seen in both samples, with Sample 2's data (t2 classes)
  Subset B    the same species, with Sample 1's data (t1 classes)
'r*c' repeats c r times, ',,' and 'r*' keep a value, '/' ends a record.

Exit status:
  0  the report is complete
  1  the report could not be written (a full disk, a closed output)
  2  the input could not be read (the diagnostic says where and why) or its
     header is outside the limits above
)";
}

}  // namespace kelvaro::cli
