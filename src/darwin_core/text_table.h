#pragma once
// A Darwin Core table's text read as a stream of rows, in the format meta.xml describes: any
// one-byte field separator, a quote character or none (fieldsEnclosedBy=""; quotes are then text
// like any other), header rows to skip. LF, CR LF and CR all end a row, whatever meta.xml says (it
// is told whether CR LF was seen, for a warning); a UTF-8 byte-order mark is dropped (and noted),
// a UTF-16 one makes the text UTF-16, converted. Blank rows are skipped; unquoted fields lose the
// blanks around them. A quote in the middle of an unquoted field is text; text after a closing
// quote is kept. Memory holds a chunk of the file and the current row.
//
//   separator ',', quote '"':   a,"b,""c"""\r\n  ->  {line 1: a | b,"c"}
//   separator '\t', no quote:   5" long<TAB>x    ->  {line 1: 5" long | x}

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "darwin_core/text_encoding.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/field_tables.h"

namespace kelvaro::dwc {

struct TextFormat {
  char separator = ',';             // 0: found in the first row, as for a long table
  std::optional<char> quote = '"';  // nullopt: fields are never quoted
  TextEncoding encoding = TextEncoding::kUtf8;
  long header_rows = 0;  // rows skipped at the start (ignoreHeaderLines)
};

class TextRow {
 public:
  long line() const { return line_; }
  std::size_t size() const { return bounds_.size() / 2; }
  // The field's bytes, or empty past the row's end.
  std::string_view operator[](std::size_t i) const {
    if (i >= size()) return {};
    return std::string_view(text_).substr(bounds_[2 * i], bounds_[2 * i + 1] - bounds_[2 * i]);
  }

 private:
  friend class TextTableReader;
  std::string text_;
  std::vector<std::size_t> bounds_;
  long line_ = 0;
};

class TextTableReader {
 public:
  // Takes the source; reads its first bytes. Throws tools::ReadError.
  TextTableReader(std::unique_ptr<tools::ByteSource> source, TextFormat format);

  // The next row that is not blank; false at the end. Throws csv::InputError (a quoted field
  // open at the end of the file, a row longer than csv's kMaxRowBytes), tools::ReadError.
  bool next(TextRow& row);

  const std::string& file() const { return source_->name(); }
  const TextFormat& format() const { return format_; }
  bool byte_order_mark() const { return byte_order_mark_; }
  bool crlf() const { return crlf_; }
  // A refusal at a place of this file.
  csv::InputError error(long line, long column, const std::string& reason) const;

 private:
  int get();
  bool refill();
  void fill_first_line();
  bool read_row(TextRow& row);
  char find_separator();

  std::unique_ptr<tools::ByteSource> source_;
  TextFormat format_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool end_ = false;
  long line_ = 1;
  bool after_cr_ = false;
  bool crlf_ = false;
  bool byte_order_mark_ = false;
  long to_skip_ = 0;
};

}  // namespace kelvaro::dwc
