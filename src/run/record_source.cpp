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

const BlockData& survey_block(const Survey& s, BlockNumber block) {
  switch (block) {
    case kSample1:
      return s.sample1;
    case kSample2:
      return *s.sample2;
    case kSubsetA:
      return s.subset_a;
    default:
      return s.subset_b;
  }
}

}  // namespace

std::optional<std::string> header_refusal(const RecordSource& source, const Header& h) {
  if (std::optional<std::string> why = sites_refusal(h)) return why;
  return source.refusal(h);
}

void TextRecords::check_last(const std::string& block, const char* record, std::int32_t items) {
  check_statement(log_, block, record, items, reader_.last_statement());
}

Header TextRecords::header() {
  std::int32_t t1 = 0, t2 = 0, pair = 0, nreps = 50, seed = 400;
  reader_.read(std::vector<textio::Target>{t1, t2, pair, nreps, seed});
  check_last("header", "header", 5);
  Header h = decode_text_header(t1, t2, pair, nreps, seed);
  h.line = reader_.last_statement().first_line;
  nreps_ = nreps;
  return h;
}

std::optional<std::string> TextRecords::refusal(const Header&) const {
  return text_replicates_refusal(nreps_);
}

std::optional<BlockRecords> TextRecords::block(BlockNumber block, std::int32_t t, bool pair,
                                               const CarryOver& carried, bool may_end) {
  const std::string name = block_name(block);
  BlockRecords r(carried);
  if (may_end) {
    if (reader_.read_or_end(targets(r.x, 1, t)) != textio::ReadStatus::Ok) return std::nullopt;
  } else {
    reader_.read(targets(r.x, 1, t));
  }
  r.line = reader_.last_statement().first_line;
  check_last(name, "f(i)", t);
  reader_.read(targets(r.n, 1, t));
  check_last(name, "n(i)", t);
  if (pair) {
    reader_.read(targets(r.x, t + 1, t + 1));
    check_last(name, "f'(i)", t + 1);
  }
  return r;
}

Header SurveyRecords::header() {
  Header h;
  h.sites1 = survey_.sites1;
  h.sites2 = survey_.sites2;
  h.frequency_pair = survey_.frequency_pair;
  h.options = options_;
  // No replicates, nothing to list.
  h.options.replicate_detail = options_.replicate_detail && options_.replicates != 0;
  return h;
}

std::optional<BlockRecords> SurveyRecords::block(BlockNumber block, std::int32_t t, bool pair,
                                                 const CarryOver& carried, bool /*may_end*/) {
  if (block == kSample2 && !survey_.sample2) return std::nullopt;
  const BlockData& d = survey_block(survey_, block);
  BlockRecords r(carried);
  for (std::int32_t i = 1; i <= t; ++i) r.x(i) = d.f[static_cast<std::size_t>(i - 1)];
  for (std::int32_t i = 1; i <= t; ++i) r.n(i) = d.n[static_cast<std::size_t>(i - 1)];
  if (pair) {
    for (std::int32_t i = 1; i <= t + 1; ++i)
      r.x(t + i) = d.f_pair[static_cast<std::size_t>(i - 1)];
  }
  return r;
}

std::optional<std::string> SurveyRecords::refusal(const Header& h) const {
  if (h.options.replicates < 0 || h.options.replicates > kMaxReplicates) {
    return "replicates = " + std::to_string(h.options.replicates) +
           " is outside the allowed range 0..10000";
  }
  struct Expected {
    BlockNumber block;
    const BlockData* data;
    std::int32_t t;
    const char* t_name;
  };
  const Expected blocks[] = {
      {kSample1, &survey_.sample1, h.sites1, "t1"},
      {kSample2, survey_.sample2 ? &*survey_.sample2 : nullptr, h.sites2, "t2"},
      {kSubsetA, &survey_.subset_a, h.sites2, "t2"},
      {kSubsetB, &survey_.subset_b, h.sites1, "t1"},
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
    if (h.frequency_pair && e.data->f_pair.size() != size + 1) {
      return mismatch("f'", e.data->f_pair.size(), size + 1);
    }
  }
  return std::nullopt;
}

}  // namespace kelvaro
