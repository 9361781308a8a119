#pragma once
// Where a run's records come from: free-form text, read statement by statement (with the
// warnings a statement can raise), or a Survey held as structured data. Each decodes its own
// header into a typed Header, and both put a block's records in the same slots, so the same
// numbers give the same run.

#include <cstdint>
#include <optional>
#include <string>

#include "kelvaro/kelvaro.h"
#include "run/block_records.h"
#include "run/header.h"
#include "run/warning_log.h"
#include "textio/list_reader.h"

namespace kelvaro {

class RecordSource {
 public:
  virtual ~RecordSource() = default;

  // The header record. Throws textio::ReadError when it cannot be read.
  virtual Header header() = 0;

  // Why the run cannot go on under the header (the numbers of sites are checked before), if it
  // cannot: replicates outside the accepted range, records that do not match the header.
  virtual std::optional<std::string> refusal(const Header& h) const = 0;

  // The block's records read over `carried`: f(1..t) into x(1..t), n(1..t), and with the pair
  // f'(1..t+1) into x(t+1..2t+1). When may_end is set (Sample 2), the end of the input or a bad
  // value in the first record ends the block quietly (nothing returned, nothing more read);
  // otherwise failures throw textio::ReadError.
  // Requires: carried holds at least slot_counts(t, pair) slots.
  virtual std::optional<BlockRecords> block(BlockNumber block, std::int32_t t, bool pair,
                                            const CarryOver& carried, bool may_end) = 0;
};

// Why a run cannot go on under `h`, if it cannot: the numbers of sites (sites_refusal), then the
// source's own checks.
std::optional<std::string> header_refusal(const RecordSource& source, const Header& h);

// Free-form text. Statements that keep values (null values, a slash) or leave numbers beyond a
// record's last item go to `log`.
class TextRecords final : public RecordSource {
 public:
  TextRecords(TextSource& input, WarningLog& log) : reader_(input), log_(log) {}
  Header header() override;
  std::optional<std::string> refusal(const Header& h) const override;
  std::optional<BlockRecords> block(BlockNumber block, std::int32_t t, bool pair,
                                    const CarryOver& carried, bool may_end) override;

 private:
  void check_last(const std::string& block, const char* record, std::int32_t items);

  textio::ListReader reader_;
  WarningLog& log_;
  std::int32_t nreps_ = 0;  // as the header gave it, for its refusal
};

// A Survey and its Options. Replicates outside 0..10000 are refused, and a block whose vectors
// do not match its number of sites ("Sample 1: f holds 9 values, but t1 = 10 asks for 10").
class SurveyRecords final : public RecordSource {
 public:
  SurveyRecords(const Survey& survey, const Options& options)
      : survey_(survey), options_(options) {}
  Header header() override;
  std::optional<std::string> refusal(const Header& h) const override;
  std::optional<BlockRecords> block(BlockNumber block, std::int32_t t, bool pair,
                                    const CarryOver& carried, bool may_end) override;

 private:
  const Survey& survey_;
  const Options& options_;
};

}  // namespace kelvaro
