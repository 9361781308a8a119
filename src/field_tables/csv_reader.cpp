#include "field_tables/csv_reader.h"

#include <algorithm>

#include "kelvaro/field_tables.h"

namespace kelvaro::csv {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kEnd = -1;

bool is_line_end(int c) { return c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> CsvRow::fields() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
  return out;
}

CsvReader::CsvReader(tools::ByteSource& source, std::optional<char> separator) : source_(source) {
  fill_to(kByteOrderMark.size());
  if (std::string_view(buffer_).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    pos_ = kByteOrderMark.size();
  }
  separator_ = separator ? *separator : find_separator();
}

CsvReader::CsvReader(tools::ByteSource& part, char separator, long first_line)
    : source_(part), separator_(separator), line_(first_line) {}

std::uint64_t CsvReader::row_offset() const { return taken_ - (buffer_.size() - pos_); }

bool CsvReader::refill() {
  if (end_) return false;
  buffer_.resize(kChunk);
  const std::size_t n = source_.read(buffer_.data(), kChunk);
  buffer_.resize(n);
  taken_ += n;
  pos_ = 0;
  end_ = n == 0;
  return !end_;
}

// Appends reads to the buffer until `bytes` bytes follow pos_ or the input ends.
bool CsvReader::fill_to(std::size_t bytes) {
  while (buffer_.size() - pos_ < bytes && !end_) {
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kChunk);
    const std::size_t n = source_.read(buffer_.data() + old, kChunk);
    buffer_.resize(old + n);
    taken_ += n;
    end_ = n == 0;
  }
  return buffer_.size() - pos_ >= bytes;
}

// Buffers the first row that is not empty (up to kMaxRowBytes) and finds its separator.
char CsvReader::find_separator() {
  std::size_t i = pos_;
  while (fill_to(i - pos_ + 1) && is_line_end(buffer_[i])) ++i;
  const std::size_t start = i;
  bool quoted = false;
  while (i - start < kMaxRowBytes && fill_to(i - pos_ + 1)) {
    const char c = buffer_[i];
    if (c == '"') quoted = !quoted;
    if (!quoted && is_line_end(c)) break;
    ++i;
  }
  return detect_separator(std::string_view(buffer_).substr(start, i - start));
}

int CsvReader::get() {
  if (pos_ == buffer_.size() && !refill()) return kEnd;
  const auto c = static_cast<unsigned char>(buffer_[pos_++]);
  if (c == '\n') {
    if (!after_cr_) ++line_;
    after_cr_ = false;
  } else {
    if (c == '\r') ++line_;
    after_cr_ = c == '\r';
  }
  ++row_bytes_;
  return c;
}

void CsvReader::check_size(const CsvRow& row) const {
  if (row_bytes_ > kMaxRowBytes) {
    throw error(row.line_, static_cast<long>(row.size()) + 1,
                "the row is longer than " + std::to_string(kMaxRowBytes) +
                    " bytes, more than any detection table needs (is this the right file? a "
                    "file whose line ends were lost?)");
  }
}

void CsvReader::append(CsvRow& row, int c) {
  check_size(row);
  row.text_.push_back(static_cast<char>(c));
}

// Bytes that end or interrupt a run of plain bytes: none of them changes the line count or the
// state that get() keeps, so a run can be taken from the buffer at once.
void CsvReader::take_plain_run(CsvRow& row) {
  std::size_t end = pos_;
  while (end < buffer_.size()) {
    const char c = buffer_[end];
    if (c == separator_ || c == '"' || c == '\r' || c == '\n') break;
    ++end;
  }
  row.text_.append(buffer_, pos_, end - pos_);
  row_bytes_ += end - pos_;
  pos_ = end;
  check_size(row);
}

// Reads a quoted field after its opening quote; returns the byte after the closing quote.
int CsvReader::quoted_field(CsvRow& row) {
  const long opened = line_;
  for (;;) {
    int c = get();
    if (c == kEnd) {
      throw error(opened, static_cast<long>(row.size()) + 1,
                  "a quoted field is not closed before the end of the file (a quote is missing)");
    }
    if (c == '"') {
      c = get();
      if (c != '"') return c;
    }
    append(row, c);
  }
}

bool CsvReader::plain_row(CsvRow& row) {
  const char* const data = buffer_.data();
  std::size_t p = pos_;
  if (after_cr_ && p < buffer_.size() && data[p] == '\n') ++p;  // the LF of a CR LF
  if (p >= buffer_.size() || is_line_end(data[p])) return false;
  const char* const begin = data + p;
  // A row that reaches this is too long (next() says so) or not whole in the buffer.
  const char* const stop = data + std::min(buffer_.size(), p + kMaxRowBytes);
  const char separator = separator_;
  // One pass: each field's range, trimmed, is noted when its end is found, and the line is
  // copied once at its end. A quote, or no line end before `stop`, leaves the row to next(),
  // which starts it afresh.
  row.clear();
  const char* field = begin;
  const char* end = begin;
  for (;; ++end) {
    if (end == stop) return false;
    const char c = *end;
    if (c == '"') return false;
    const bool line_end = c == '\n' || c == '\r';
    if (c != separator && !line_end) continue;
    const char* a = field;
    const char* b = end;
    while (a < b && is_blank(*a)) ++a;
    while (b > a && is_blank(b[-1])) --b;
    row.add_field(static_cast<std::size_t>(a - begin), static_cast<std::size_t>(b - begin));
    if (line_end) break;
    field = end + 1;
  }
  row.text_.assign(begin, static_cast<std::size_t>(end - begin));
  row.line_ = line_;
  // The line end, as get() would take it: it follows a byte that is not one.
  ++line_;
  after_cr_ = *end == '\r';
  pos_ = static_cast<std::size_t>(end - data) + 1;
  row_bytes_ = static_cast<std::size_t>(end - begin) + 1;  // with the line end
  return true;
}

bool CsvReader::next(CsvRow& row) {
  if (plain_row(row)) return true;
  row.clear();
  int c = get();
  while (is_line_end(c)) c = get();
  if (c == kEnd) return false;
  row.line_ = line_;
  row_bytes_ = 1;
  for (;;) {  // one field per pass
    while (is_blank(c)) c = get();
    const long column = static_cast<long>(row.size()) + 1;
    const std::size_t start = row.text_.size();
    if (c == '"') {
      c = quoted_field(row);
      while (is_blank(c)) c = get();
      if (c != separator_ && c != kEnd && !is_line_end(c)) {
        throw error(line_, column,
                    "text after the closing quote of a field (a quote inside a quoted field "
                    "must be doubled: \"\")");
      }
    } else {
      for (; c != separator_ && c != kEnd && !is_line_end(c); c = get()) {
        if (c == '"') {
          throw error(line_, column,
                      "a quote inside an unquoted field (quote the whole field and double the "
                      "quotes inside it)");
        }
        append(row, c);
        take_plain_run(row);
      }
      while (row.text_.size() > start && is_blank(row.text_.back())) row.text_.pop_back();
    }
    row.end_field(start);
    check_size(row);
    if (c != separator_) return true;
    c = get();
  }
}

std::vector<CsvRow> parse_csv(std::string_view text, const std::string& name,
                              std::optional<char> separator) {
  tools::TextSource source{std::string(text), name};
  CsvReader reader(source, separator);
  std::vector<CsvRow> rows;
  for (CsvRow row; reader.next(row);) rows.push_back(row);
  return rows;
}

}  // namespace kelvaro::csv
