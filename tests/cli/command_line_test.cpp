// What every program does the same way on its command line: the one reader of whole numbers in
// options (what it takes, and what it refuses rather than rounding or saturating), and the stop
// signals' handlers, which leave a signal ignored since the start (nohup) ignored.

#include "kelvaro/command_line.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <csignal>
#include <cstdint>
#include <limits>
#include <string>

namespace kelvaro::cli {
namespace {

constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

TEST(WholeNumberOption, TakesSignedDigitsInRange) {
  const struct {
    const char* text;
    std::int32_t least, most, expected;
  } cases[] = {
      {"12", 1, 1024, 12},
      {"+7", 1, 1024, 7},
      {"0007", 1, 1024, 7},
      {"1024", 1, 1024, 1024},
      {"1", 1, 1024, 1},
      {"-10000", -10000, 10000, -10000},
      {"-0", -5, 5, 0},
      {"-2147483648", kIntMin, kIntMax, kIntMin},
      {"2147483647", kIntMin, kIntMax, kIntMax},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t value = -99;
    EXPECT_EQ(parse_whole_number_option("--n", c.text, c.least, c.most, value), std::nullopt);
    EXPECT_EQ(value, c.expected);
  }
  std::uint64_t seed = 0;
  EXPECT_EQ(
      parse_whole_number_option("--seed", "18446744073709551615", std::uint64_t{0}, kLargest, seed),
      std::nullopt);
  EXPECT_EQ(seed, kLargest);
}

TEST(WholeNumberOption, RefusesWhatItCannotRepresent) {
  const struct {
    const char* text;
    std::int32_t least, most;
  } cases[] = {
      {"1e9", 1, 1024},
      {"1.5", 1, 1024},
      {"1.0", 1, 1024},
      {"", 1, 1024},
      {" 5", 1, 1024},
      {"5 ", 1, 1024},
      {"0x10", 1, 1024},
      {"+", 1, 1024},
      {"-", 1, 1024},
      {"0", 1, 1024},
      {"1025", 1, 1024},
      {"-1", 0, 10},
      {"--1", -5, 5},
      {"inf", 1, 1024},
      {"2147483648", kIntMin, kIntMax},
      {"-2147483649", kIntMin, kIntMax},
      {"99999999999999999999", kIntMin, kIntMax},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t value = -99;
    EXPECT_EQ(parse_whole_number_option("--threads", c.text, c.least, c.most, value),
              "--threads takes a whole number from " + std::to_string(c.least) + " to " +
                  std::to_string(c.most) + ", not '" + c.text + "'");
    EXPECT_EQ(value, -99);
  }
  // kelvaro-plan's seed: nothing saturates to 2^64 - 1 any more.
  for (const char* text : {"-1", "99999999999999999999", "18446744073709551616"}) {
    SCOPED_TRACE(text);
    std::uint64_t seed = 400;
    EXPECT_NE(parse_whole_number_option("--seed", text, std::uint64_t{0}, kLargest, seed),
              std::nullopt);
    EXPECT_EQ(seed, 400u);
  }
}

TEST(RealOption, TakesDecimalsAndRefusesOtherFormsNamingWhatIsTaken) {
  double value = -99.0;
  EXPECT_EQ(parse_real_option("--assurance", "0.9", value), std::nullopt);
  EXPECT_EQ(value, 0.9);
  EXPECT_EQ(parse_real_option("--persistence", "0e-400", value), std::nullopt);
  EXPECT_EQ(value, 0.0);
  const std::string decimal = " takes a decimal number (such as 0.8, 12 or 2.5e-3), not '";
  const std::string small =
      " takes a decimal number of 0 or of at least 2.2250738585072014e-308 "
      "in size, not '";
  const std::string large =
      " takes a decimal number of at most 1.7976931348623157e+308 in "
      "size, not '";
  const struct {
    const char* option;
    const char* text;
    std::string expected;
  } cases[] = {
      {"--assurance", "0x0.8p0", "--assurance" + decimal + "0x0.8p0'"},
      {"--detection", "inf", "--detection" + decimal + "inf'"},
      {"--detection-change", "nan", "--detection-change" + decimal + "nan'"},
      {"--persistence", "0.5x", "--persistence" + decimal + "0.5x'"},
      {"--assurance", "1e-400", "--assurance" + small + "1e-400' (too close to 0 to be held)"},
      {"--persistence", "4e-320", "--persistence" + small + "4e-320' (too close to 0 to be held)"},
      {"--detection-change", "1e400",
       "--detection-change" + large + "1e400' (too large to be held)"},
      {"--assurance", "0.8\x1b", "--assurance" + decimal + "0.8\\x1b'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    value = -99.0;
    EXPECT_EQ(parse_real_option(c.option, c.text, value), c.expected);
    EXPECT_EQ(value, -99.0);
  }
}

TEST(ShownText, EscapesControlBytesAndCutsLongValues) {
  const std::string huge(100000, 'a');
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"2019", "2019"},
      {"", ""},
      {"a\x1b[2Jb", "a\\x1b[2Jb"},
      {"line\r\nnext\tcell\x7f", "line\\x0d\\x0anext\\x09cell\\x7f"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {std::string(60, 'a'), std::string(60, 'a')},
      {std::string(61, 'a'), std::string(60, 'a') + "..."},
      {huge, std::string(60, 'a') + "..."},
      // "\xc3\xa9" (e acute) across the cut at 60 bytes: kept whole or left out whole.
      {std::string(59, 'a') + "\xc3\xa9"
                              "b",
       std::string(59, 'a') + "..."},
      {std::string(58, 'a') + "\xc3\xa9"
                              "b",
       std::string(58, 'a') + "\xc3\xa9..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(shown_text(c.text), c.shown);
  }
  std::int32_t value = 0;
  EXPECT_EQ(parse_whole_number_option("--threads", huge + "\x1b", 1, 1024, value),
            "--threads takes a whole number from 1 to 1024, not '" + std::string(60, 'a') + "...'");
}

void ignore_stop(int) {}

TEST(StopSignals, HandlersLeaveAnIgnoredSignalIgnored) {
  const int stops[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  struct sigaction before[4];
  for (int i = 0; i < 4; ++i) ::sigaction(stops[i], nullptr, &before[i]);
  std::signal(SIGHUP, SIG_IGN);  // as nohup starts a program
  on_stop_signals(ignore_stop);
  for (const int signal : stops) {
    SCOPED_TRACE(signal);
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, signal == SIGHUP ? SIG_IGN : ignore_stop);
  }
  on_stop_signals(SIG_DFL);
  struct sigaction hangup {};
  ::sigaction(SIGHUP, nullptr, &hangup);
  EXPECT_EQ(hangup.sa_handler, SIG_IGN);
  for (int i = 0; i < 4; ++i) ::sigaction(stops[i], &before[i], nullptr);
}

}  // namespace
}  // namespace kelvaro::cli
