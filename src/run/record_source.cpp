#include "run/record_source.h"

#include <vector>

#include "run/input_checks.h"

namespace kelvaro {

namespace {

// Slots first..first+n-1 of one of the buffer's vectors, as the items of a record.
template <typename Slots>
std::vector<textio::Target> targets(Slots& slots, std::int32_t first, std::int32_t n) {
  std::vector<textio::Target> items;
  items.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = first; i < first + n; ++i) items.emplace_back(slots(i));
  return items;
}

const BlockData& survey_block(const Survey& s, int block) {
  switch (block) {
    case kSample1: return s.sample1;
    case kSample2: return *s.sample2;
    case kSubsetA: return s.subset_a;
    default: return s.subset_b;
  }
}

}  // namespace

void TextRecords::check_last(const std::string& block, const char* record, std::int32_t items) {
  check_statement(log_, block, record, items, reader_.last_statement());
}

Header TextRecords::header() {
  Header h;
  reader_.read(std::vector<textio::Target>{h.t1, h.t2, h.pair, h.nreps, h.ix});
  h.line = reader_.last_statement().first_line;
  check_last("header", "header", 5);
  return h;
}

textio::ReadStatus TextRecords::block(int block, std::int32_t t, bool pair, BlockBuffer& buffer,
                                      bool may_end) {
  const std::string name = block_name(block);
  if (may_end) {
    const textio::ReadStatus status = reader_.read_or_end(targets(buffer.x, 1, t));
    if (status != textio::ReadStatus::Ok) return status;
  } else {
    reader_.read(targets(buffer.x, 1, t));
  }
  block_line_ = reader_.last_statement().first_line;
  check_last(name, "f(i)", t);
  reader_.read(targets(buffer.n, 1, t));
  check_last(name, "n(i)", t);
  if (pair) {
    reader_.read(targets(buffer.x, t + 1, t + 1));
    check_last(name, "f'(i)", t + 1);
  }
  return textio::ReadStatus::Ok;
}

Header SurveyRecords::header() {
  Header h;
  h.t1 = options_.range_adjustment ? survey_.sites1 : -survey_.sites1;
  h.t2 = survey_.sites2;
  h.pair = survey_.frequency_pair ? 1 : 0;
  h.nreps = options_.replicate_detail ? -options_.replicates : options_.replicates;
  h.ix = options_.seed;
  return h;
}

textio::ReadStatus SurveyRecords::block(int block, std::int32_t t, bool pair,
                                        BlockBuffer& buffer, bool may_end) {
  if (block == kSample2 && !survey_.sample2) {
    return may_end ? textio::ReadStatus::End : textio::ReadStatus::Bad;
  }
  const BlockData& d = survey_block(survey_, block);
  for (std::int32_t i = 1; i <= t; ++i) buffer.x(i) = d.f[static_cast<std::size_t>(i - 1)];
  for (std::int32_t i = 1; i <= t; ++i) buffer.n(i) = d.n[static_cast<std::size_t>(i - 1)];
  if (pair) {
    for (std::int32_t i = 1; i <= t + 1; ++i) {
      buffer.x(t + i) = d.f_pair[static_cast<std::size_t>(i - 1)];
    }
  }
  return textio::ReadStatus::Ok;
}

std::optional<std::string> SurveyRecords::refusal(const Header& h) const {
  struct Expected {
    int block;
    const BlockData* data;
    std::int32_t t;
    const char* t_name;
  };
  const Expected blocks[] = {
      {kSample1, &survey_.sample1, h.t1, "t1"},
      {kSample2, survey_.sample2 ? &*survey_.sample2 : nullptr, h.t2, "t2"},
      {kSubsetA, &survey_.subset_a, h.t2, "t2"},
      {kSubsetB, &survey_.subset_b, h.t1, "t1"},
  };
  for (const Expected& e : blocks) {
    if (e.data == nullptr) break;  // a single-sample survey: the subsets are not read
    const auto size = static_cast<std::size_t>(e.t);
    const auto mismatch = [&](const char* what, std::size_t held, std::size_t wanted) {
      return std::string(block_name(e.block)) + ": " + what + " holds " + std::to_string(held) +
             " values, but " + e.t_name + " = " + std::to_string(e.t) + " asks for " +
             std::to_string(wanted);
    };
    if (e.data->f.size() != size) return mismatch("f", e.data->f.size(), size);
    if (e.data->n.size() != size) return mismatch("n", e.data->n.size(), size);
    if (h.pair != 0 && e.data->f_pair.size() != size + 1) {
      return mismatch("f'", e.data->f_pair.size(), size + 1);
    }
  }
  return std::nullopt;
}

}  // namespace kelvaro
