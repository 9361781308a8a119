#include "report_reader/report_lines.h"

#include "kelvaro/report_reader.h"
#include "report_reader/line_cursor.h"

namespace kelvaro::tidy {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kEnd = -1;

}  // namespace

int ReportLines::get() {
  if (pos_ == buffer_.size()) {
    if (at_end_) return kEnd;
    buffer_.resize(kChunk);
    buffer_.resize(source_.read(buffer_.data(), kChunk));
    pos_ = 0;
    if (buffer_.empty()) {
      at_end_ = true;
      return kEnd;
    }
  }
  return static_cast<unsigned char>(buffer_[pos_++]);
}

// Reads the next line of the input; false at its end.
bool ReportLines::read_line(std::string& line, bool& ended) {
  line.clear();
  int c = get();
  if (c == kEnd) return false;
  for (; c != kEnd && c != '\n' && c != '\r'; c = get()) {
    if (line.size() == kMaxLineBytes) {
      const long number = next_number_ + pending_blanks_ + (held_ ? 1 : 0);
      throw ReportError(number, "the line is longer than " + std::to_string(kMaxLineBytes) +
                                    " characters, far longer than any line of a report");
    }
    line += static_cast<char>(c);
  }
  ended = c != kEnd;
  if (c == '\r') {  // CR LF is one line end
    if (pos_ == buffer_.size() && !at_end_) {
      const int next = get();
      if (next != '\n' && next != kEnd) --pos_;
    } else if (pos_ < buffer_.size() && buffer_[pos_] == '\n') {
      ++pos_;
    }
  }
  return true;
}

std::optional<std::string_view> ReportLines::peek() {
  if (pending_blanks_ > 0) return std::string_view();
  if (!held_) {
    std::string line;
    bool ended = true;
    if (!read_line(line, ended)) return std::nullopt;
    held_ = std::move(line);
    held_ended_ = ended;
  }
  return std::string_view(*held_);
}

std::optional<std::string_view> ReportLines::take() {
  if (pending_blanks_ > 0) {
    --pending_blanks_;
    ++next_number_;
    current_.clear();
    last_ended_ = true;
    return std::string_view(current_);
  }
  if (!peek()) return std::nullopt;
  current_ = std::move(*held_);
  held_.reset();
  last_ended_ = held_ended_;
  ++next_number_;
  return std::string_view(current_);
}

bool ReportLines::only_blank_lines_remain() {
  if (held_) {
    if (!trim_right(*held_).empty()) return false;
    held_.reset();
    ++pending_blanks_;
  }
  std::string line;
  bool ended = true;
  while (read_line(line, ended)) {
    if (!trim_right(line).empty()) {
      held_ = std::move(line);
      held_ended_ = ended;
      return false;
    }
    ++pending_blanks_;
  }
  return true;
}

}  // namespace kelvaro::tidy
