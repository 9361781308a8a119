#include "prep/csv_reader.h"

#include <csv.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "prep/input_error.h"

namespace kelvaro::prep {
namespace {

// Collects libcsv's callbacks and keeps the line on which the current row began.
struct Collector {
  std::vector<CsvRow> rows;
  CsvRow current;
  bool row_open = false;
};

void on_field(void* data, std::size_t size, void* sink) {
  auto* c = static_cast<Collector*>(sink);
  c->current.fields.emplace_back(data ? static_cast<const char*>(data) : "", data ? size : 0);
}

void on_row_end(int /*terminator*/, void* sink) {
  auto* c = static_cast<Collector*>(sink);
  c->rows.push_back(std::move(c->current));
  c->current = CsvRow{};
  c->row_open = false;
}

struct ParserDeleter {
  void operator()(csv_parser* p) const {
    csv_free(p);
    delete p;
  }
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::vector<CsvRow> parse_csv(std::string_view text, const std::string& name) {
  std::unique_ptr<csv_parser, ParserDeleter> parser(new csv_parser);
  if (csv_init(parser.get(), CSV_STRICT | CSV_STRICT_FINI) != 0) {
    throw InputError(name, 0, 0, "cannot set up the CSV parser");
  }
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  Collector c;
  long line = 1;
  // One byte at a time, so that every row knows the line on which it begins.
  for (char ch : text) {
    if (!c.row_open && ch != '\r' && ch != '\n') {
      c.row_open = true;
      c.current.line = line;
    }
    if (csv_parse(parser.get(), &ch, 1, on_field, on_row_end, &c) != 1) {
      throw InputError(name, line, static_cast<long>(c.current.fields.size()) + 1,
                       "badly quoted field (a quote inside an unquoted field, or text after a "
                       "closing quote)");
    }
    if (ch == '\n') ++line;
  }
  if (csv_fini(parser.get(), on_field, on_row_end, &c) != 0) {
    throw InputError(name, c.current.line, static_cast<long>(c.current.fields.size()) + 1,
                     "quoted field not closed before the end of the file");
  }
  return c.rows;
}

std::vector<CsvRow> read_csv_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path, 0, 0, "cannot open the file");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw InputError(path, 0, 0, "cannot read the file");
  return parse_csv(text.str(), path);
}

bool is_blank_row(const CsvRow& row) {
  for (const std::string& f : row.fields) {
    if (!f.empty()) return false;
  }
  return true;
}

}  // namespace kelvaro::prep
