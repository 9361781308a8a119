#include "shared/warnings.h"

namespace kelvaro {

namespace {
thread_local WarningLog* g_log = nullptr;
}  // namespace

std::string format_warning(const Warning& w) {
  std::string s = "kelvaro: warning: ";
  if (w.line > 0) s += "line " + std::to_string(w.line) + ": ";
  return s + w.block + ": " + w.text;
}

void WarningLog::add(WarningKind kind, std::string block, std::int64_t line, std::string text) {
  warnings_.push_back({kind, std::move(block), line, std::move(text)});
  if (listener_) listener_(warnings_.back());
}

WarningLog* current_warning_log() { return g_log; }
void set_current_warning_log(WarningLog* log) { g_log = log; }

void warn(WarningKind kind, std::string block, std::int64_t line, std::string text) {
  if (g_log != nullptr) g_log->add(kind, std::move(block), line, std::move(text));
}

}  // namespace kelvaro
