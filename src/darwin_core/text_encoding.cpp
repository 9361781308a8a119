#include "darwin_core/text_encoding.h"

#include <array>
#include <cstdint>

namespace kelvaro::dwc {
namespace {

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

void append_utf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Windows-1252's characters for the bytes 0x80..0x9F (0 where it defines none: Latin-1's
// control character of the same number is taken).
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr std::uint32_t kReplacement = 0xFFFD;

class Utf16Source : public tools::ByteSource {
 public:
  explicit Utf16Source(std::unique_ptr<tools::ByteSource> source) : source_(std::move(source)) {}
  const std::string& name() const override { return source_->name(); }
  std::size_t read(char* buffer, std::size_t capacity) override;

 private:
  // Converts what the next read of the source gives into out_; false at its end.
  bool convert_more();
  std::uint32_t unit(std::size_t i) const {
    const auto a = static_cast<unsigned char>(in_[i]);
    const auto b = static_cast<unsigned char>(in_[i + 1]);
    return big_endian_ ? (a << 8 | b) : (b << 8 | a);
  }

  std::unique_ptr<tools::ByteSource> source_;
  std::string in_;   // bytes read and not yet converted (less than a character)
  std::string out_;  // UTF-8 not yet handed out
  std::size_t out_next_ = 0;
  bool started_ = false;
  bool big_endian_ = false;
  bool ended_ = false;
};

bool Utf16Source::convert_more() {
  if (ended_) return false;
  char chunk[65536];
  const std::size_t n = source_->read(chunk, sizeof chunk);
  in_.append(chunk, n);
  if (!started_ && (in_.size() >= 2 || n == 0)) {
    started_ = true;
    if (starts_as_utf16(in_)) {
      big_endian_ = in_[0] == '\xFE';
      in_.erase(0, 2);
    }
  }
  if (!started_) return true;
  out_.clear();
  out_next_ = 0;
  std::size_t i = 0;
  while (i + 2 <= in_.size()) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00) {
      if (i + 4 > in_.size()) {
        if (n != 0) break;  // the low half comes with the next read
        append_utf8(out_, kReplacement);
        i += 2;
        continue;
      }
      const std::uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        append_utf8(out_, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 4;
      } else {
        append_utf8(out_, kReplacement);
        i += 2;
      }
      continue;
    }
    append_utf8(out_, u >= 0xDC00 && u < 0xE000 ? kReplacement : u);
    i += 2;
  }
  in_.erase(0, i);
  if (n == 0) {
    if (!in_.empty()) append_utf8(out_, kReplacement);  // an odd last byte
    in_.clear();
    ended_ = true;
  }
  return true;
}

std::size_t Utf16Source::read(char* buffer, std::size_t capacity) {
  while (out_next_ == out_.size()) {
    if (!convert_more()) return 0;
  }
  const std::size_t n = std::min(capacity, out_.size() - out_next_);
  out_.copy(buffer, n, out_next_);
  out_next_ += n;
  return n;
}

}  // namespace

std::optional<TextEncoding> encoding_named(std::string_view name) {
  std::string key;
  for (const char c : lower_ascii(name)) {
    if (c != '-' && c != '_' && c != ' ') key += c;
  }
  if (key == "utf8") return TextEncoding::kUtf8;
  for (std::string_view n : {"iso88591", "latin1", "l1", "windows1252", "cp1252", "iso885915"}) {
    if (key == n) return TextEncoding::kWindows1252;
  }
  for (std::string_view n : {"utf16", "utf16le", "utf16be", "ucs2"}) {
    if (key == n) return TextEncoding::kUtf16;
  }
  return std::nullopt;
}

bool is_utf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = code << 6 | (d & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

std::string windows_1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) {
      append_utf8(out, kHighControls[c - 0x80]);
    } else {
      append_utf8(out, c);
    }
  }
  return out;
}

bool starts_as_utf16(std::string_view first_bytes) {
  return first_bytes.size() >= 2 && ((first_bytes[0] == '\xFF' && first_bytes[1] == '\xFE') ||
                                     (first_bytes[0] == '\xFE' && first_bytes[1] == '\xFF'));
}

std::unique_ptr<tools::ByteSource> utf16_as_utf8(std::unique_ptr<tools::ByteSource> source) {
  return std::make_unique<Utf16Source>(std::move(source));
}

}  // namespace kelvaro::dwc
