#pragma once
// What every kelvaro program (kelvaro and the companion programs) does the same way on its command
// line and terminal: the value of an option that takes a whole number, the signals that stop a
// program, and the lines it shows on standard error while it works.
//
// The value of a whole-number option: decimal digits after an optional sign, nothing else, and
// within the option's range. What it cannot represent is refused, never rounded or saturated:
//   "--threads", "12", 1..1024   -> 12
//   "--seed", "+7", 0..2^64-1    -> 7
//   "--threads", "1e9"           -> "--threads takes a whole number from 1 to 1024, not '1e9'"
//   "--nreps", "1.5"             -> "--nreps takes a whole number from 0 to 10000, not '1.5'"
//   "--seed", "18446744073709551616", 0..2^64-1 -> refused (one past the largest)

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace kelvaro::cli {

// The whole number `text` as a sign and a magnitude; nullopt when it is not one (empty, a point,
// an exponent, blanks, other characters) or its magnitude passes 2^64 - 1.
struct SignedMagnitude {
  bool negative = false;
  std::uint64_t magnitude = 0;
};
std::optional<SignedMagnitude> whole_number(std::string_view text);

// Text from the command line as a message shows it: control bytes (ESC, CR, LF, tab, DEL ...)
// written \xNN so that none reaches the terminal, and cut after `limit` bytes (not inside a
// UTF-8 character) with "..." so that a huge value cannot make a huge message.
//   "2019"  -> "2019"     "a\x1b[2Jb" -> "a\x1b[2Jb" (escaped)     100 KB, limit 60 -> 60 bytes...
inline constexpr std::size_t kShownValueBytes = 60;
std::string shown_text(std::string_view text, std::size_t limit = kShownValueBytes);

// "OPTION takes a whole number from LEAST to MOST, not 'TEXT'" (TEXT as shown_text shows it).
std::string whole_number_refusal(std::string_view option, std::string_view text,
                                 const std::string& least, const std::string& most);

// Parses `text`, the value of `option`, into `value` when it is a whole number in
// [least, most]. Returns nullopt, or the refusal (without the program's name) and leaves `value`.
// Requires: least <= most.
template <class Integer>
std::optional<std::string> parse_whole_number_option(std::string_view option, std::string_view text,
                                                     Integer least, Integer most, Integer& value) {
  static_assert(std::is_integral_v<Integer>);
  const std::optional<SignedMagnitude> number = whole_number(text);
  bool inside = false;
  Integer parsed = 0;
  if (number && !number->negative) {
    inside = number->magnitude <= static_cast<std::uint64_t>(most) &&
             (least <= 0 || number->magnitude >= static_cast<std::uint64_t>(least));
    if (inside) parsed = static_cast<Integer>(number->magnitude);
  } else if (number && number->magnitude == 0) {  // "-0"
    inside = least <= 0 && most >= 0;
  } else if (number && least < 0) {
    // The magnitude of a negative Integer: -(least + 1) + 1, formed without overflow.
    const auto largest = static_cast<std::uint64_t>(-(least + 1)) + 1;
    inside = number->magnitude <= largest;
    if (inside) {
      parsed = static_cast<Integer>(-static_cast<Integer>(number->magnitude - 1) - 1);
      inside = parsed <= most;
    }
  }
  if (!inside)
    return whole_number_refusal(option, text, std::to_string(least), std::to_string(most));
  value = parsed;
  return std::nullopt;
}

// The value of an option that takes a real number: a decimal number as numeric::read_real reads
// it (kelvaro/real_text.h), whatever the option's range (the program checks that after). What
// is refused says what is taken:
//   "--assurance", "0.9"     -> 0.9
//   "--assurance", "0x0.8p0" -> "--assurance takes a decimal number (such as 0.8, 12 or 2.5e-3),
//                                not '0x0.8p0'"
//   "--persistence", "1e-400" -> "--persistence takes a decimal number of 0 or of at least
//                                2.2250738585072014e-308 in size, not '1e-400' (too close to 0
//                                to be held)"
//   "--detection-change", "1e400" -> "... of at most 1.7976931348623157e+308 in size, not
//                                '1e400' (too large to be held)"
// Returns nullopt and sets `value`, or returns the refusal (without the program's name).
std::optional<std::string> parse_real_option(std::string_view option, std::string_view text,
                                             double& value);

// Installs `handler` (a function, SIG_DFL) for the signals that stop a program: SIGINT,
// SIGTERM, SIGHUP and SIGQUIT. A signal ignored since the program started (nohup) stays ignored.
// A handler that is to end the program as the signal would have resets the signal to SIG_DFL
// and raises it again once its work is done.
void on_stop_signals(void (*handler)(int));

// Makes a write past the file size limit (ulimit -f) fail with EFBIG, a write error as any other
// that the program reports and cleans up after, instead of ending it at once with SIGXFSZ.
void write_errors_for_file_size_limit();

// Files that a stop signal removes before it ends the program: temporary files that must not
// outlast it (checked output's files under their temporary names). They are kept in a fixed
// table that a signal handler can read; it is the one state of a process that the libraries
// share, and it lives here, beside the handlers, because a handler reaches it by no other way.
//
// Adds `path` to the table and returns its slot; -1 when the table is full or the path too long
// (the file is then removed as usual, only not on a signal). Thread safe.
int remove_on_stop_signal(const std::string& path);
// Takes the file of `slot` out of the table (it was renamed into place or removed); -1: nothing.
void keep_on_stop_signal(int slot);
// Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove every file of the table, then end the program
// as they would have (on_stop_signals: a signal ignored since the start stays ignored).
void remove_files_on_stop_signals();

// A progress line on a terminal is drawn over the one before after kEraseLine (a carriage return,
// then "erase to the end of the line"), and erased the same way when the work is done.
inline constexpr char kEraseLine[] = "\r\033[K";

// Writes `text` to the descriptor `fd` (standard error), short writes continued. Progress and
// warnings are a courtesy: a write that fails drops the rest, and the program goes on.
inline void write_status_text(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace kelvaro::cli
