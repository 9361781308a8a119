#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

#include "kelvaro/command_line.h"

namespace kelvaro::cli {
namespace {

// The files removed on a signal: a fixed table that a signal handler can read. A slot is claimed
// (1), filled, then published (2); the handler only reads published slots.
constexpr int kSlots = 64;
struct Slot {
  std::atomic<int> state{0};
  char path[PATH_MAX];
};
Slot g_files[kSlots];

extern "C" void remove_files_and_stop(int signal) {
  for (Slot& slot : g_files) {
    if (slot.state == 2) ::unlink(slot.path);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int remove_on_stop_signal(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (g_files[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(g_files[i].path, path.c_str(), path.size() + 1);
      g_files[i].state = 2;
      return i;
    }
  }
  return -1;
}

void keep_on_stop_signal(int slot) {
  if (slot >= 0 && slot < kSlots) g_files[slot].state = 0;
}

void remove_files_on_stop_signals() { on_stop_signals(remove_files_and_stop); }

}  // namespace kelvaro::cli
