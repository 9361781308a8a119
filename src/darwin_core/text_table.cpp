#include "darwin_core/text_table.h"

#include <algorithm>

#include "field_tables/csv_reader.h"

namespace kelvaro::dwc {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kEnd = -1;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool is_line_end(int c) { return c == '\r' || c == '\n'; }

}  // namespace

TextTableReader::TextTableReader(std::unique_ptr<tools::ByteSource> source, TextFormat format)
    : source_(std::move(source)), format_(format), to_skip_(format.header_rows) {
  refill();
  fill_first_line();
  if (format_.encoding == TextEncoding::kUtf16 || starts_as_utf16(buffer_)) {
    // Start again on the converted text: the bytes read so far go first.
    class Replay : public tools::ByteSource {
     public:
      Replay(std::string first, std::unique_ptr<tools::ByteSource> rest)
          : first_(std::move(first)), rest_(std::move(rest)) {}
      std::size_t read(char* buffer, std::size_t capacity) override {
        if (next_ < first_.size()) {
          const std::size_t n = std::min(capacity, first_.size() - next_);
          first_.copy(buffer, n, next_);
          next_ += n;
          return n;
        }
        return rest_->read(buffer, capacity);
      }
      const std::string& name() const override { return rest_->name(); }

     private:
      std::string first_;
      std::unique_ptr<tools::ByteSource> rest_;
      std::size_t next_ = 0;
    };
    source_ = utf16_as_utf8(std::make_unique<Replay>(std::move(buffer_), std::move(source_)));
    format_.encoding = TextEncoding::kUtf8;
    buffer_.clear();
    pos_ = 0;
    end_ = false;
    refill();
    fill_first_line();
  }
  if (std::string_view(buffer_).substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    pos_ = kUtf8Mark.size();
    byte_order_mark_ = true;
  }
  if (format_.separator == 0) format_.separator = find_separator();
}

bool TextTableReader::refill() {
  if (end_) return false;
  buffer_.resize(kChunk);
  const std::size_t n = source_->read(buffer_.data(), kChunk);
  buffer_.resize(n);
  pos_ = 0;
  end_ = n == 0;
  return !end_;
}

// Reads on until the buffer holds the first line whole, or a chunk of it: a source may hand out
// a few bytes at a time, and the byte-order mark and the separator are found in the first line.
void TextTableReader::fill_first_line() {
  while (!end_ && buffer_.size() < kChunk &&
         buffer_.find_first_of("\r\n", pos_) == std::string::npos) {
    std::string more(kChunk - buffer_.size(), '\0');
    const std::size_t n = source_->read(more.data(), more.size());
    end_ = n == 0;
    buffer_.append(more, 0, n);
  }
}

// The separator of the first line that is not empty, in the buffer's first chunk (a header row
// longer than that is found as comma-separated).
char TextTableReader::find_separator() {
  std::size_t start = pos_;
  while (start < buffer_.size() && is_line_end(buffer_[start])) ++start;
  std::size_t end = start;
  bool quoted = false;
  while (end < buffer_.size() && (quoted || !is_line_end(buffer_[end]))) {
    if (buffer_[end] == '"') quoted = !quoted;
    ++end;
  }
  return csv::detect_separator(std::string_view(buffer_).substr(start, end - start));
}

int TextTableReader::get() {
  if (pos_ == buffer_.size() && !refill()) return kEnd;
  const auto c = static_cast<unsigned char>(buffer_[pos_++]);
  if (c == '\n') {
    if (after_cr_) {
      crlf_ = true;
    } else {
      ++line_;
    }
    after_cr_ = false;
  } else {
    if (c == '\r') ++line_;
    after_cr_ = c == '\r';
  }
  return c;
}

csv::InputError TextTableReader::error(long line, long column, const std::string& reason) const {
  const char s = format_.separator;
  return csv::InputError(file(), line, column, reason, s == ',' || s == ';' || s == '\t' ? s : 0);
}

bool TextTableReader::read_row(TextRow& row) {
  row.text_.clear();
  row.bounds_.clear();
  int c = get();
  while (is_line_end(c)) c = get();
  if (c == kEnd) return false;
  row.line_ = line_;
  const char separator = format_.separator;
  const auto blank = [&](int b) { return b == ' ' || (b == '\t' && separator != '\t'); };
  const auto check_size = [&] {
    if (row.text_.size() > csv::kMaxRowBytes) {
      throw error(row.line_, static_cast<long>(row.size()) + 1,
                  "the row is longer than " + std::to_string(csv::kMaxRowBytes) +
                      " bytes (a quote that is never closed? meta.xml's fieldsEnclosedBy or "
                      "linesTerminatedBy not what the file holds?)");
    }
  };
  for (;;) {  // one field per pass
    while (blank(c)) c = get();
    const std::size_t start = row.text_.size();
    if (format_.quote && c == static_cast<unsigned char>(*format_.quote)) {
      const long opened = line_;
      for (;;) {
        c = get();
        if (c == kEnd) {
          throw error(opened, static_cast<long>(row.size()) + 1,
                      "a quoted field is not closed before the end of the file (a quote is "
                      "missing, or the file is not quoted as meta.xml's fieldsEnclosedBy says)");
        }
        if (c == static_cast<unsigned char>(*format_.quote)) {
          c = get();
          if (c != static_cast<unsigned char>(*format_.quote)) break;
        }
        row.text_.push_back(static_cast<char>(c));
        if ((row.text_.size() & 0xFFFF) == 0) check_size();
      }
      std::size_t kept = row.text_.size();  // blanks after the closing quote are not text
      for (; c != separator && c != kEnd && !is_line_end(c); c = get()) {
        row.text_.push_back(static_cast<char>(c));
        if (!blank(c)) kept = row.text_.size();
      }
      row.text_.resize(kept);
    } else {
      for (; c != separator && c != kEnd && !is_line_end(c); c = get()) {
        row.text_.push_back(static_cast<char>(c));
        if ((row.text_.size() & 0xFFFF) == 0) check_size();
      }
      while (row.text_.size() > start && blank(row.text_.back())) row.text_.pop_back();
    }
    row.bounds_.push_back(start);
    row.bounds_.push_back(row.text_.size());
    check_size();
    if (c != separator) return true;
    c = get();
  }
}

bool TextTableReader::next(TextRow& row) {
  while (read_row(row)) {
    if (row.text_.empty()) continue;  // every field empty: a blank row
    if (to_skip_ > 0) {
      --to_skip_;
      continue;
    }
    return true;
  }
  return false;
}

}  // namespace kelvaro::dwc
