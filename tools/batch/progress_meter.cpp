#include "progress_meter.h"

#include <cstdio>

#include "kelvaro/command_line.h"

namespace kelvaro::batch {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(100);  // at most ten redraws a second
constexpr auto kLogInterval = std::chrono::seconds(10);
constexpr int kBarWidth = 20;
// A rate (and the time left from it) is shown only after this much work: the first pairs of a
// batch finish within microseconds, and "6944444 pairs/s" says nothing.
constexpr double kRateAfterSeconds = 1.0;

// The value with `decimals` decimals, by printf (no conversion to an integer type).
std::string fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

std::string rough_number(double value) { return fixed(value, value < 10.0 ? 1 : 0); }

std::string rough_duration(double seconds) {
  if (seconds < 90.0) return rough_number(seconds) + " s";
  if (seconds < 90.0 * 60.0) return fixed(seconds / 60.0, 0) + " min";
  return rough_number(seconds / 3600.0) + " h";
}

std::string progress_text(std::uint64_t done, std::uint64_t total, double seconds, bool bar) {
  std::string text = "kelvaro-batch: ";
  if (bar) {
    const auto filled = total == 0 ? kBarWidth : static_cast<int>(done * kBarWidth / total);
    text += '[' + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " +
            std::to_string(done) + "/" + std::to_string(total) + " pairs";
  } else {
    text += std::to_string(done) + " of " + std::to_string(total) + " pairs";
  }
  if (done > 0 && seconds >= kRateAfterSeconds) {
    const double rate = static_cast<double>(done) / seconds;
    text += ", " + rough_number(rate) + " pairs/s";
    if (done < total) {
      text += ", about " + rough_duration(static_cast<double>(total - done) / rate) + " left";
    }
  }
  return text;
}

ProgressMeter::ProgressMeter(int fd, bool terminal, bool shown)
    : fd_(fd), terminal_(terminal), shown_(shown), start_(Clock::now()), last_(start_) {}

ProgressMeter::~ProgressMeter() { erase(); }

double ProgressMeter::seconds() const {
  return std::chrono::duration<double>(Clock::now() - start_).count();
}

bool ProgressMeter::due() {
  if (!shown_) return false;
  const auto now = Clock::now();
  const auto interval = terminal_ ? std::chrono::duration_cast<Clock::duration>(kRedraw)
                                  : std::chrono::duration_cast<Clock::duration>(kLogInterval);
  if (now - last_ < interval) return false;
  last_ = now;
  return true;
}

void ProgressMeter::show(const std::string& text) {
  if (terminal_) {
    cli::write_status_text(fd_, cli::kEraseLine + text);
    bar_visible_ = true;
  } else {
    cli::write_status_text(fd_, text + "\n");
  }
}

void ProgressMeter::reading(const std::string& file, std::uint64_t records) {
  if (due()) show("kelvaro-batch: reading " + file + ": " + std::to_string(records) + " records");
}

void ProgressMeter::update(std::uint64_t done, std::uint64_t total) {
  if (!writing_since_) writing_since_ = Clock::now();
  if (!due()) return;
  const std::chrono::duration<double> writing = Clock::now() - *writing_since_;
  show(progress_text(done, total, writing.count(), terminal_));
}

void ProgressMeter::erase() {
  if (!bar_visible_) return;
  cli::write_status_text(fd_, cli::kEraseLine);
  bar_visible_ = false;
}

}  // namespace kelvaro::batch
