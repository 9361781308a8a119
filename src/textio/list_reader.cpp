// Free-form (list-directed) input: separators, repeat counts, nulls, slashes and line handling over
// a buffered byte source; the values themselves are read by ValueScanner.
#include "textio/list_reader.h"

#include <cstring>

#include "textio/value_scanner.h"

namespace kelvaro::textio {

namespace {

// Repeat counts r in "r*c" run from 1 to this value.
constexpr std::int64_t kMaxRepeat = 200000000;

// Bytes taken from the source at a time.
constexpr std::size_t kBufferSize = 1 << 16;

bool is_blank(int c) { return c == ' ' || c == '\t'; }
bool is_comma(int c) { return c == ',' || c == ';'; }

std::string item_reason(const char* before, std::size_t item, const char* after) {
  return before + std::to_string(item) + after;
}

// "value 3: \"x\" <what>": a failed value in plain words. Bytes that would not print are '?'.
std::string value_words(std::size_t item, std::string_view text, const char* what) {
  std::string shown;
  for (const char c : text) shown += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  return "value " + std::to_string(item) + ": \"" + shown + "\" " + what;
}

// Stores a scanned value into one item; on failure returns the reason (item counted from 1) and
// the same in plain words, with the value as written (`text`).
bool store(const ValueScanner& value, std::string_view text, const Target& target, std::size_t item,
           std::string& reason, std::string& words) {
  float real = 0.0f;
  if (target.kind == Target::Kind::Integer) {
    std::int32_t v = 0;
    switch (value.as_integer(v)) {
      case Conversion::Ok:
        *static_cast<std::int32_t*>(target.p) = v;
        return true;
      case Conversion::Overflow:
        reason = item_reason("Integer overflow while reading item ", item, "");
        words = value_words(item, text, "is too large (a whole number here is at most 2147483647)");
        return false;
      case Conversion::Bad:
        break;
    }
    reason = item_reason("Bad integer for item ", item, " in list input");
    words =
        value_words(item, text, value.as_real(real) ? "is not a whole number" : "is not a number");
    return false;
  }
  if (value.as_real(real)) {
    *static_cast<float*>(target.p) = real;
    return true;
  }
  reason = item_reason("Bad real number in item ", item, " of list input");
  words = value_words(item, text, "is not a number");
  return false;
}

}  // namespace

ListReader::ListReader(std::string_view input)
    : owned_(std::make_unique<StringSource>(input)), source_(*owned_), buffer_(kBufferSize) {}

ListReader::ListReader(TextSource& source) : source_(source), buffer_(kBufferSize) {}

ListReader::~ListReader() = default;

int ListReader::peek(std::size_t k) {
  while (end_ - begin_ <= k && !exhausted_) {
    if (begin_ > 0) {  // keep the unread bytes at the front
      std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(begin_),
                buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
      end_ -= begin_;
      begin_ = 0;
    }
    const std::size_t got = source_.read(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) exhausted_ = true;
    end_ += got;
  }
  if (end_ - begin_ <= k) return -1;
  return static_cast<unsigned char>(buffer_[begin_ + k]);
}

void ListReader::advance(std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const int c = peek();
    if (c < 0) return;
    ++begin_;
    line_start_ = c == '\n';
    if (line_start_) ++line_;
  }
}

std::size_t ListReader::line_end_length() {
  const int c = peek();
  if (c == '\n') return 1;
  if (c == '\r' && peek(1) == '\n') return 2;
  return 0;
}

bool ListReader::at_value_end() {
  const int c = peek();
  return c < 0 || is_blank(c) || is_comma(c) || c == '/' || line_end_length() > 0;
}

void ListReader::skip_space() {
  for (;;) {
    if (is_blank(peek())) {
      advance(1);
      continue;
    }
    const std::size_t n = line_end_length();
    if (n == 0) return;
    advance(n);
  }
}

void ListReader::skip_line() {
  while (peek() >= 0) {
    const char* from = buffer_.data() + begin_;
    const void* lf = std::memchr(from, '\n', end_ - begin_);
    if (lf != nullptr) {
      begin_ += static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1;
      line_start_ = true;
      ++line_;
      return;
    }
    line_start_ = false;
    begin_ = end_;
  }
}

ListReader::Value ListReader::take_value(bool want_integer) {
  Value v;
  bool cut = false;  // the excerpt left bytes out
  auto keep = [&v, &cut](char c) {
    if (v.text.size() < kExcerpt) {
      v.text += c;
    } else {
      cut = true;
    }
  };
  while (!at_value_end()) {
    const char c = static_cast<char>(peek());
    advance(1);
    keep(c);
    if (!v.repeat && c == '*' && v.first.digits_only()) {
      v.repeat = true;
      continue;
    }
    ValueScanner& into = v.repeat ? v.repeated : v.first;
    into.feed(c);
    v.repeats_value = v.repeat;
    if (want_integer ? into.integer_hopeless() : into.real_hopeless()) {
      v.complete = false;
      break;
    }
  }
  // A value that failed early: the rest of its excerpt, for the message (the rest of its line
  // is dropped with the failed statement).
  while (!v.complete && !cut && !at_value_end()) {
    keep(static_cast<char>(peek()));
    if (!cut) advance(1);
  }
  if (cut) v.text += "...";
  return v;
}

// The first word of the rest of the line, if any, read as a real or as "r*" / "r*c".
bool ListReader::rest_of_line_starts_with_number() {
  while (is_blank(peek()) || is_comma(peek())) advance(1);
  if (at_value_end()) return false;
  const Value v = take_value(false);
  float x = 0.0f;
  if (!v.complete) return false;
  if (!v.repeat) return v.first.as_real(x);
  return v.first.magnitude() >= 1 && (!v.repeats_value || v.repeated.as_real(x));
}

ReadStatus ListReader::run(std::span<const Target> items, std::string& reason) {
  // A failed statement leaves the reader inside its line; the rest of that line is dropped.
  if (!line_start_ && !at_end()) skip_line();
  facts_ = {};
  StatementFacts facts;

  auto fail = [&](ReadStatus status, std::int64_t line) {
    fail_line_ = line;
    return status;
  };
  auto end_of_file = [&] {
    reason = "End of file";
    words_ = "the input ends before the record's last number";
    // At the end of the input line_ counts one past a final line end.
    const bool final_line_end = line_start_ && line_ > 1;
    return fail(ReadStatus::End, final_line_end ? line_ - 1 : line_);
  };

  if (items.empty() && at_end()) return end_of_file();

  bool after_comma = true;     // a comma now is a null value (also at the start of the statement)
  std::int64_t repeats = 0;    // items still to take from the last "r*c" or "r*"
  bool repeats_value = false;  // "r*c" (true) or "r*" (nulls)
  ValueScanner repeated;       // its c
  std::string repeated_text;   // "r*c" as written
  std::size_t k = 0;           // items done
  while (k < items.size()) {
    if (repeats > 0) {
      if (repeats_value) {
        if (!store(repeated, repeated_text, items[k], k + 1, reason, words_)) {
          return fail(ReadStatus::Bad, line_);
        }
      } else {
        ++facts.nulls;
      }
      --repeats;
      ++k;
      continue;
    }
    skip_space();
    if (at_end()) return end_of_file();
    if (facts.first_line == 0) facts.first_line = line_;
    const int c = peek();
    if (c == '/') {
      facts.cut_by_slash = true;
      break;  // the remaining items keep their values
    }
    if (is_comma(c)) {
      advance(1);
      if (after_comma) {
        ++facts.nulls;
        ++k;  // null value: the item keeps its value
      } else {
        after_comma = true;
      }
      continue;
    }
    after_comma = false;
    // The value, up to a blank, tab, comma, semicolon, slash, line end or end of input. A value
    // that can no longer become valid for its item fails at once (the rest of it may be endless).
    const Value v = take_value(items[k].kind == Target::Kind::Integer);
    if (v.repeat) {
      repeated = v.repeated;
      repeated_text = v.text;
      repeats_value = v.repeats_value;
      repeats = v.first.magnitude();
      if (repeats == 0) {
        reason = item_reason("Zero repeat count in item ", k + 1, " of list input");
        words_ = value_words(k + 1, v.text, "repeats a value zero times");
        return fail(ReadStatus::Bad, line_);
      }
      if (repeats > kMaxRepeat) {
        reason = item_reason("Repeat count overflow in item ", k + 1, " of list input");
        words_ = value_words(k + 1, v.text, "repeats a value too many times");
        return fail(ReadStatus::Bad, line_);
      }
      continue;
    }
    if (!store(v.first, v.text, items[k], k + 1, reason, words_)) {
      return fail(ReadStatus::Bad, line_);
    }
    ++k;
  }
  // The rest of the line on which the statement ended (at its last value or its slash) is
  // discarded; a value that ended at the line end leaves only the line end itself.
  if (!facts.cut_by_slash && !items.empty()) {
    facts.extra_number = rest_of_line_starts_with_number();
  }
  if (facts.first_line == 0) facts.first_line = line_;
  skip_line();
  facts_ = facts;
  fail_line_ = 0;
  return ReadStatus::Ok;
}

void ListReader::read(std::span<const Target> items) {
  std::string reason;
  if (run(items, reason) != ReadStatus::Ok) {
    const char* join = words_.rfind("value ", 0) == 0 ? ", " : ": ";
    throw ReadError(fail_line_, reason, "line " + std::to_string(fail_line_) + join + words_);
  }
}

ReadStatus ListReader::read_or_end(std::span<const Target> items) {
  std::string reason;
  return run(items, reason);
}

std::int64_t ListReader::line() const { return fail_line_ != 0 ? fail_line_ : line_; }

}  // namespace kelvaro::textio
