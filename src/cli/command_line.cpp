#include "kelvaro/command_line.h"

#include <signal.h>

#include "kelvaro/real_text.h"

namespace kelvaro::cli {

std::optional<SignedMagnitude> whole_number(std::string_view text) {
  SignedMagnitude number;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    number.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (number.magnitude > (kLargest - digit) / 10) return std::nullopt;  // past 2^64 - 1
    number.magnitude = number.magnitude * 10 + digit;
  }
  return number;
}

std::string shown_text(std::string_view text, std::size_t limit) {
  std::string shown;
  std::size_t end = text.size();
  if (end > limit) {
    end = limit;
    // Back to the start of a UTF-8 character: continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  }
  for (std::size_t i = 0; i < end; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    } else {
      shown += static_cast<char>(byte);
    }
  }
  if (end < text.size()) shown += "...";
  return shown;
}

std::string whole_number_refusal(std::string_view option, std::string_view text,
                                 const std::string& least, const std::string& most) {
  return std::string(option) + " takes a whole number from " + least + " to " + most + ", not '" +
         shown_text(text) + "'";
}

std::optional<std::string> parse_real_option(std::string_view option, std::string_view text,
                                             double& value) {
  const numeric::RealText read = numeric::read_real(text);
  if (read.problem == numeric::RealTextProblem::kNone) {
    value = read.value;
    return std::nullopt;
  }
  const char* taken = " (such as 0.8, 12 or 2.5e-3)";
  const char* why = "";
  if (read.problem == numeric::RealTextProblem::kTooSmall) {
    taken = " of 0 or of at least 2.2250738585072014e-308 in size";
    why = " (too close to 0 to be held)";
  } else if (read.problem == numeric::RealTextProblem::kTooLarge) {
    taken = " of at most 1.7976931348623157e+308 in size";
    why = " (too large to be held)";
  }
  std::string refusal(option);
  refusal.append(" takes a decimal number").append(taken).append(", not '");
  refusal.append(shown_text(text)).append("'").append(why);
  return refusal;
}

void on_stop_signals(void (*handler)(int)) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction action {};
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
    action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

void write_errors_for_file_size_limit() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGXFSZ, &action, nullptr);
}

}  // namespace kelvaro::cli
