#include <vector>

#include "kelvaro/surveys.h"

namespace kelvaro::prep {
namespace {

void append_record(std::string& out, const std::vector<std::int32_t>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += ' ';
    out += std::to_string(values[i]);
  }
  out += '\n';
}

}  // namespace

std::string kelvaro_input(const KelvaroBlocks& blocks, const RunSettings& settings) {
  const auto t1 = static_cast<std::int32_t>(blocks.sample1.f.size());
  const auto t2 = static_cast<std::int32_t>(blocks.sample2.f.size());
  constexpr std::int32_t kNoPair = 0;
  std::string out;
  append_record(out,
                {settings.range_adjust ? t1 : -t1, t2, kNoPair, settings.nreps, settings.seed});
  for (const Block* b : {&blocks.sample1, &blocks.sample2, &blocks.subset_a, &blocks.subset_b}) {
    append_record(out, b->f);
    append_record(out, b->n);
  }
  return out;
}

}  // namespace kelvaro::prep
