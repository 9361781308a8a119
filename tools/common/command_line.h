#pragma once
// The companion programs' command-line handling around CLI11: --help and --version text go out
// through a checked write, so that a full disk or a closed standard output gives status 1 and
// one line "<program>: cannot write the help text: <reason>" instead of a silent status 0.

#include <CLI/CLI.hpp>
#include <optional>

namespace kelvaro::tools {

// Exit status of a usage error and of refused input, as kelvaro's own.
inline constexpr int kRefused = 2;
// Exit status of a write failure.
inline constexpr int kWriteFailed = 1;

// Makes sure standard input, output and error are open, so that no file the program opens
// takes their place: a closed one is opened on /dev/null the wrong way round (standard output
// for reading), so that using it still fails ("Bad file descriptor") as it would have.
void reserve_standard_streams();

// Parses argv into `app`'s options. Returns nullopt when the program should go on; otherwise the
// exit status: 0 after --help or --version, kRefused after a usage error (CLI11's message on
// standard error), kWriteFailed when the help or version text could not be written.
std::optional<int> parse_command_line(CLI::App& app, int argc, char** argv);

// Prints "<program>: <message>" as one line on standard error.
void print_error(const CLI::App& app, const std::string& message);

}  // namespace kelvaro::tools
