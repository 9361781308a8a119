#include <cmath>

#include "kelvaro/conversions.h"
#include "kelvaro/planner.h"

namespace kelvaro::plan {
namespace {

constexpr int kBarWidth = 20;

std::string time_left(double seconds) {
  if (seconds < 90.0) return std::to_string(trunc_to_int(std::ceil(seconds))) + " s";
  if (seconds < 5400.0) return std::to_string(trunc_to_int(std::round(seconds / 60.0))) + " min";
  return std::to_string(trunc_to_int(std::round(seconds / 3600.0))) + " h";
}

}  // namespace

std::string progress_text(std::int64_t done, std::int64_t total, double elapsed) {
  const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  const int filled = trunc_to_int(share * kBarWidth);
  std::string text = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] ";
  const std::string percent = std::to_string(trunc_to_int(share * 100.0));
  text += std::string(3 - percent.size(), ' ') + percent + "%  " + std::to_string(done) + " of " +
          std::to_string(total) + " surveys";
  if (done > 0 && done < total) {
    text += ", about " +
            time_left(elapsed * static_cast<double>(total - done) / static_cast<double>(done)) +
            " left";
  }
  return text;
}

}  // namespace kelvaro::plan
