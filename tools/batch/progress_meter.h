#pragma once
// What kelvaro-batch shows on standard error while it works: on a terminal a line redrawn at
// most ten times a second and erased at the end; otherwise (a log file, a batch system's output)
// one line every 10 seconds. First the records read, then the pairs written:
//
//   kelvaro-batch: reading survey.csv: 2400000 records
//   kelvaro-batch: [########............] 3200/8000 pairs, 415 pairs/s, about 12 s left
//   kelvaro-batch: 3200 of 8000 pairs, 415 pairs/s, about 12 s left
//
// Lines that cannot be written are dropped: progress never stops a batch.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kelvaro::batch {

// "0.4", "12", "415": one decimal below 10, none from there.
std::string rough_number(double value);
// "0.4 s", "12 s", "4 min", "2.5 h": a rough duration.
std::string rough_duration(double seconds);

// The text of a progress report after `seconds` with `done` of `total` pairs: the bar form
// (without the leading carriage return) or the line form; the rate and the time left only after
// a second of work.
std::string progress_text(std::uint64_t done, std::uint64_t total, double seconds, bool bar);

class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;
  // fd: where the lines go; terminal: the bar (else lines); shown: false shows nothing. The
  // clock starts here.
  ProgressMeter(int fd, bool terminal, bool shown);
  ~ProgressMeter();  // erases the bar
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  // While `file` is read.
  void reading(const std::string& file, std::uint64_t records);
  // Then: `done` pairs of `total` written (the rate counts from the first call).
  void update(std::uint64_t done, std::uint64_t total);
  // Erases the bar now (before other lines are written).
  void erase();
  // Since the meter was made.
  double seconds() const;

 private:
  // Shows `text` (no line end) if it is time to: a redraw or a log line.
  void show(const std::string& text);
  bool due();

  int fd_;
  bool terminal_;
  bool shown_;
  Clock::time_point start_;
  Clock::time_point last_;
  std::optional<Clock::time_point> writing_since_;
  bool bar_visible_ = false;
};

}  // namespace kelvaro::batch
