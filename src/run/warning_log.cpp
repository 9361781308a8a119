#include "run/warning_log.h"

namespace kelvaro {

std::string format_warning(const Warning& w) {
  std::string s = "kelvaro: warning: ";
  if (w.line > 0) s += "line " + std::to_string(w.line) + ": ";
  return s + w.block + ": " + w.text;
}

void WarningLog::add(WarningKind kind, std::string block, std::int64_t line, std::string text) {
  warnings_.push_back({kind, std::move(block), line, std::move(text)});
  if (observer_ != nullptr) observer_->warning(warnings_.back());
}

}  // namespace kelvaro
