#include "progress_bar.h"

#include "kelvaro/command_line.h"

namespace kelvaro::plan {

ProgressBar::ProgressBar(int fd, bool shown)
    : fd_(fd), shown_(shown), start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { erase(); }

void ProgressBar::update(std::int64_t done, std::int64_t total) {
  if (!shown_) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  cli::write_status_text(fd_, std::string(cli::kEraseLine) +
                                  "kelvaro-plan: " + progress_text(done, total, elapsed.count()));
  drawn_ = true;
}

void ProgressBar::erase() {
  if (!drawn_) return;
  cli::write_status_text(fd_, cli::kEraseLine);
  drawn_ = false;
}

}  // namespace kelvaro::plan
