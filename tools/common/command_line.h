#pragma once
// The companion programs' command-line handling around CLI11: --help and --version text go out
// through a checked write, so that a full disk or a closed standard output gives status 1 and
// one line "<program>: cannot write the help text: <reason>" instead of a silent status 0.

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kelvaro/command_line.h"
#include "kelvaro/natural_order.h"

namespace kelvaro::tools {

// Exit status of a usage error and of refused input, as kelvaro's own.
inline constexpr int kRefused = 2;
// Exit status of a write failure.
inline constexpr int kWriteFailed = 1;

// Makes sure standard input, output and error are open, so that no file the program opens
// takes their place: a closed one is opened on /dev/null the wrong way round (standard output
// for reading), so that using it still fails ("Bad file descriptor") as it would have.
void reserve_standard_streams();

// What to say when a required argument is missing, by the option's name ("files", "--output"):
// {"files", "give two site-by-species CSV files, or one long table"} makes the message
// "kelvaro-prep: give two site-by-species CSV files, or one long table (kelvaro-prep --help)".
using MissingArguments = std::vector<std::pair<std::string, std::string>>;

// Parses argv into `app`'s options. Returns nullopt when the program should go on; otherwise the
// exit status: 0 after --help or --version, kRefused after a usage error (one line on standard
// error, "<program>: <what is wrong> (<program> --help)"), kWriteFailed when the help or version
// text could not be written.
std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv,
                                      const MissingArguments& missing = {});

// An option that takes a whole number in [least, most], read by cli::parse_whole_number_option:
// "1e9", "1.5", "-1" for 0..N and values past the range are refused (status 2, the refusal's
// words). `value` keeps its default when the option is not given.
// `long_name` is the name in messages ("--threads"); `names` CLI11's ("-t,--threads").
// add_whole_number_function hands the value to `set` instead.
template <class Integer>
CLI::Option* add_whole_number_function(CLI::App& app, const std::string& names,
                                       const std::string& long_name, Integer least, Integer most,
                                       std::function<void(Integer)> set,
                                       const std::string& description) {
  auto* option = app.add_option_function<std::string>(
      names,
      [long_name, least, most, set](const std::string& text) {
        Integer value = 0;
        if (auto refusal = cli::parse_whole_number_option(long_name, text, least, most, value)) {
          throw CLI::ValidationError(*refusal);
        }
        set(value);
      },
      description);
  return option->type_name("INT");
}
template <class Integer>
CLI::Option* add_whole_number_option(CLI::App& app, const std::string& names,
                                     const std::string& long_name, Integer& value, Integer least,
                                     Integer most, const std::string& description) {
  return add_whole_number_function<Integer>(
      app, names, long_name, least, most, [&value](Integer v) { value = v; }, description);
}

// An option that takes a real number, read by cli::parse_real_option: hexadecimal ("0x0.8p0"),
// infinity, NaN and what a double cannot hold ("1e-400", "1e400") are refused (status 2, the
// refusal's words); the option's range is the program's to check. An empty value is 0, as
// CLI11 gives it, for that check. `value` keeps its default when the option is not given;
// add_real_number_function hands the value to `set` instead.
CLI::Option* add_real_number_function(CLI::App& app, const std::string& names,
                                      const std::string& long_name, std::function<void(double)> set,
                                      const std::string& description);
CLI::Option* add_real_number_option(CLI::App& app, const std::string& names,
                                    const std::string& long_name, double& value,
                                    const std::string& description);

// A check for options that name a file or folder: an empty value is refused
// ("--output: an empty name names no file or folder").
CLI::Validator non_empty_name();

// The options of reading detection tables that kelvaro-prep and kelvaro-batch share: --sep
// (its text goes to `separator`, for csv::read_separator_option), --na-absent and --fold-case.
void add_table_reading_options(CLI::App& app, std::string& separator, bool& na_absent,
                               bool& fold_case);

// --sample-order: natural or file (case ignored) into `order`; `help` says what it decides and
// what its default is (the programs' defaults differ).
CLI::Option* add_sample_order_option(CLI::App& app, SampleOrder& order, const std::string& help);

// Prints "<program>: <message>" as one line on standard error.
void print_error(const CLI::App& app, const std::string& message);

}  // namespace kelvaro::tools
