#pragma once
// Where a run's records come from: free-form text, read statement by statement (with the
// warnings a statement can raise), or a Survey held as structured data. Both fill the same
// BlockBuffer in the same slots, so the same numbers give the same run.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "kelvaro/kelvaro.h"
#include "run/block_buffer.h"
#include "run/header.h"
#include "run/warning_log.h"
#include "textio/list_reader.h"

namespace kelvaro {

class RecordSource {
 public:
  virtual ~RecordSource() = default;

  // The header record. Throws textio::ReadError when it cannot be read.
  virtual Header header() = 0;

  // The block's records into the buffer: f(1..t) into x(1..t), n(1..t), and with the pair
  // f'(1..t+1) into x(t+1..2t+1). When may_end is set (Sample 2), the end of the input or a bad
  // value in the first record ends the block quietly (End or Bad, nothing more read); otherwise
  // failures throw textio::ReadError. Returns Ok when every record was read.
  virtual textio::ReadStatus block(int block, std::int32_t t, bool pair, BlockBuffer& buffer,
                                   bool may_end) = 0;

  // The input line where the last block's records start (0 for structured data).
  virtual std::int64_t block_line() const = 0;

  // Why the records cannot be run under the accepted header, if they cannot (none by default).
  virtual std::optional<std::string> refusal(const Header&) const { return std::nullopt; }
};

// Free-form text. Statements that keep values (null values, a slash) or leave numbers beyond a
// record's last item go to `log`.
class TextRecords final : public RecordSource {
 public:
  TextRecords(TextSource& input, WarningLog& log) : reader_(input), log_(log) {}
  Header header() override;
  textio::ReadStatus block(int block, std::int32_t t, bool pair, BlockBuffer& buffer,
                           bool may_end) override;
  std::int64_t block_line() const override { return block_line_; }

 private:
  void check_last(const std::string& block, const char* record, std::int32_t items);

  textio::ListReader reader_;
  WarningLog& log_;
  std::int64_t block_line_ = 0;
};

// A Survey and its Options, as the header and records they stand for. A block whose vectors do
// not match its number of sites is refused ("Sample 1: f holds 9 values, but t1 = 10 asks for 10").
class SurveyRecords final : public RecordSource {
 public:
  SurveyRecords(const Survey& survey, const Options& options)
      : survey_(survey), options_(options) {}
  Header header() override;
  textio::ReadStatus block(int block, std::int32_t t, bool pair, BlockBuffer& buffer,
                           bool may_end) override;
  std::int64_t block_line() const override { return 0; }
  std::optional<std::string> refusal(const Header& h) const override;

 private:
  const Survey& survey_;
  const Options& options_;
};

}  // namespace kelvaro
