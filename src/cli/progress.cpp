#include "cli/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>

#include "kelvaro/command_line.h"

namespace kelvaro::cli {

namespace {

// Above this many planned draws a block is announced whatever standard error is.
constexpr double kAnnouncedDraws = 1e10;
// A progress line appears once a block has run this long and is expected to run this much longer.
constexpr double kQuietSeconds = 1.0;
constexpr double kWorthShowingSeconds = 2.0;
// At most ten redraws a second.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

// Seconds per species draw on this machine: a short bootstrap (ten replicates of a community of
// about 70,000 species) timed as a whole, so the figure holds what a real run's draw costs.
double measured_seconds_per_draw() {
  struct Planned : Observer {
    double draws = 0.0;
    void bootstrap_started(BlockNumber, std::int32_t, double planned) override { draws = planned; }
  } planned;
  Survey s;
  s.sites1 = 10;
  s.sites2 = 10;
  s.sample1.f = {20000, 10000, 8000, 6000, 5000, 4000, 3000, 2000, 1000, 500};
  s.sample1.n.assign(10, 0);
  Options o;
  o.replicates = 10;
  Settings quiet;
  quiet.observer = &planned;
  const auto start = std::chrono::steady_clock::now();
  run_survey(s, o, quiet);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count() / std::max(planned.draws, 1.0);
}

// The progress line on the terminal is erased if the run is interrupted, or its terminal closed.
volatile std::sig_atomic_t g_line_shown = 0;
int g_line_fd = 2;

extern "C" void erase_and_stop(int signal) {
  if (g_line_shown != 0) {
    const ssize_t n = ::write(g_line_fd, kEraseLine, sizeof kEraseLine - 1);
    (void)n;
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

std::string draws_text(double draws) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1e", draws);  // "7.5e+13"
  std::string s = text;
  const auto e = s.find('e');
  std::string mantissa = s.substr(0, e);
  int exponent = std::atoi(s.c_str() + e + 1);
  return mantissa + "e" + std::to_string(exponent);
}

std::string duration_words(double seconds) {
  struct Unit {
    double seconds;
    const char* one;
    const char* many;
  };
  static constexpr Unit kUnits[] = {
      {86400.0, "day", "days"}, {3600.0, "hour", "hours"}, {60.0, "minute", "minutes"}};
  for (const Unit& u : kUnits) {
    if (seconds >= 1.5 * u.seconds) {
      const double n = std::round(seconds / u.seconds);
      return std::to_string(static_cast<long long>(n)) + " " + u.many;
    }
    if (seconds >= u.seconds) return std::string("1 ") + u.one;
  }
  const double n = std::max(1.0, std::round(seconds));
  return std::to_string(static_cast<long long>(n)) + (n == 1.0 ? " second" : " seconds");
}

std::string duration_text(double seconds) { return "roughly " + duration_words(seconds); }

ConsoleObserver::ConsoleObserver(int fd, bool terminal, bool warn)
    : fd_(fd), terminal_(terminal), warn_(warn) {
  if (terminal_) {
    g_line_fd = fd_;
    on_stop_signals(erase_and_stop);
  }
}

ConsoleObserver::~ConsoleObserver() {
  erase();
  if (terminal_) {
    on_stop_signals(SIG_DFL);
  }
}

void ConsoleObserver::write(const std::string& text) { write_status_text(fd_, text); }

void ConsoleObserver::erase() {
  if (!shown_) return;
  write(kEraseLine);
  shown_ = false;
  g_line_shown = 0;
}

void ConsoleObserver::warning(const Warning& w) {
  if (warn_) write(format_warning(w) + "\n");
}

void ConsoleObserver::threads_short(int asked, int used) {
  erase();
  write("kelvaro: " + threads_short_text(asked, used, "the run") + "\n");
}

void ConsoleObserver::bootstrap_started(BlockNumber /*block*/, std::int32_t replicates,
                                        double planned_draws) {
  replicates_ = replicates;
  planned_ = planned_draws;
  start_ = Clock::now();
  last_shown_ = start_;
  if (warn_ && planned_draws > kAnnouncedDraws) {
    if (seconds_per_draw_ == 0.0) seconds_per_draw_ = measured_seconds_per_draw();
    write("kelvaro: warning: this run needs about " + draws_text(planned_draws) +
          " random draws (" + duration_text(planned_draws * seconds_per_draw_) + " here)\n");
  }
}

void ConsoleObserver::bootstrap_progress(BlockNumber block, std::int32_t replicates_done,
                                         double draws_done) {
  if (!terminal_ || draws_done <= 0.0 || planned_ <= 0.0) return;
  const auto now = Clock::now();
  if (now - last_shown_ < kRedrawInterval) return;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double left = elapsed * std::max(planned_ - draws_done, 0.0) / draws_done;
  if (!shown_ && (elapsed < kQuietSeconds || left < kWorthShowingSeconds)) return;
  last_shown_ = now;
  shown_ = true;
  g_line_shown = 1;
  write(std::string(kEraseLine) + "kelvaro: " + block_name(block) + ": bootstrap replicate " +
        std::to_string(replicates_done + 1 > replicates_ ? replicates_ : replicates_done + 1) +
        " of " + std::to_string(replicates_) + ", about " + duration_words(left) + " left");
}

void ConsoleObserver::bootstrap_finished(BlockNumber /*block*/) { erase(); }

}  // namespace kelvaro::cli
