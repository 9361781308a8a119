#include "batch/pair_runner.h"

#include <memory>
#include <vector>

namespace kelvaro::batch {

bool analyse_pairs(const PairWork& pairs, const AnalysisSettings& settings, int threads,
                   const std::atomic<bool>& stop, const ThreadFactory& factory) {
  // The calling thread analyses too, between its deliveries: `threads` - 1 workers beside it
  // (none with one thread: the calling thread analyses in turn).
  const int workers = threads - 1;
  const std::size_t window = kWindowPerThread * static_cast<std::size_t>(threads);
  struct Slot {
    PairInput input;
    PairOutcome outcome;
  };
  std::vector<Slot> slots(window);
  const auto slot = [&](std::size_t index) -> Slot& { return slots[index % window]; };
  OrderedWork work;
  work.window = window;
  // A pair takes a fraction of a millisecond: outcomes are written half a window at a time.
  work.deliver_together = window / 2;
  work.caller_computes = true;
  work.check = kStopCheck;
  work.claim = [&](std::size_t index) { return pairs.next(slot(index).input); };
  work.make_worker = [&]() -> std::function<void(std::size_t)> {
    auto analyst = std::make_shared<PairAnalyst>(settings);
    return [&, analyst](std::size_t index) {
      Slot& s = slot(index);
      s.outcome = analyst->analyse(s.input);
    };
  };
  work.deliver = [&](std::size_t index) {
    Slot& s = slot(index);
    pairs.deliver(s.input, s.outcome);
    s = Slot{};  // the memory of a large report goes now, not when the slot comes round again
  };
  work.go_on = [&] { return !stop; };
  work.started = pairs.started;
  return OrderedPool(workers, factory).run(work);
}

}  // namespace kelvaro::batch
