#pragma once
// Warnings of a run: input that is probably a typing slip, and results the user should not trust.
// A warning never changes the report or the exit status; it is data of the run (kind, block, input
// line, text), shown on standard error by the command as
//   kelvaro: warning: line 4: Sample 1: the f(i) record leaves 1 value empty ...
// and returned to callers of the library as it is.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelvaro {

enum class WarningKind {
  kExtraNumbers,        // a record line holds more numbers than the record takes
  kKeptValue,           // a null value or a slash kept a value from before
  kNegativeValue,       // a negative f(i), f'(i) or n(i)
  kFractionalValue,     // a fractional f(i) or f'(i), truncated
  kCountWraps,          // a value or total beyond a 32-bit count: results are meaningless
  kDetectionsDisagree,  // sum of i*f(i) differs from sum of n(i)
  kSiteAboveObserved,   // an n(i) above the block's species observed
  kSubsetSize,          // subsets of unequal size, or larger than their parent sample
  kOrderTestSkipped,    // an order test skipped for zero variance: weights do not sum to 1
  kIllConditioned,      // the estimate fell back on the order-1 value
  kOutsideInterval,     // an estimate outside its own bootstrap interval
  kFewReplicates,       // percentile intervals from fewer than 20 replicates
  kClockSeed,           // seed 0: the run cannot be repeated
};

struct Warning {
  WarningKind kind;
  std::string block;     // "header", "Sample 1", ..., "Subset B", or a parameter such as "PHI"
  std::int64_t line;     // input line where the record starts; 0 when none applies
  std::string text;      // what was found and what it means
};

// "kelvaro: warning: line 4: Sample 1: <text>" ("line N: " left out when line is 0).
std::string format_warning(const Warning& w);

// The warnings of one run, in the order they arose; each is also handed to `listener` (when set)
// as it arises, so that a long run shows its warnings before it ends.
class WarningLog {
 public:
  explicit WarningLog(std::function<void(const Warning&)> listener = {})
      : listener_(std::move(listener)) {}
  void add(WarningKind kind, std::string block, std::int64_t line, std::string text);
  const std::vector<Warning>& warnings() const { return warnings_; }

 private:
  std::function<void(const Warning&)> listener_;
  std::vector<Warning> warnings_;
};

// The log of this thread's run (nullptr outside a run). The run's entry point sets it.
WarningLog* current_warning_log();
void set_current_warning_log(WarningLog* log);

// Adds to the current log, if there is one.
void warn(WarningKind kind, std::string block, std::int64_t line, std::string text);

}  // namespace kelvaro
