// The free-form and formatted write statements.
#include "textio/report.h"

#include <ostream>

#include "textio/fields.h"

namespace kelvaro::textio {
namespace {

constexpr std::string_view kRecordEnd = "\r\n";

void append_list_item(std::string& out, const Item& item) {
  switch (item.kind) {
    case Item::Kind::Integer:
      append_list_integer(out, item.i);
      break;
    case Item::Kind::Real:
      append_list_real(out, item.r);
      break;
    case Item::Kind::Double:
      append_list_double(out, item.d);
      break;
    case Item::Kind::Text:
      out.append(item.s);
      break;
  }
}

}  // namespace

std::string format_list(std::span<const Item> items) {
  std::string record = " ";  // a free-form record begins with one blank
  for (std::size_t k = 0; k < items.size(); ++k) {
    const bool joined =
        k > 0 && items[k].kind == Item::Kind::Text && items[k - 1].kind == Item::Kind::Text;
    if (k > 0 && !joined) record.push_back(' ');
    append_list_item(record, items[k]);
  }
  return record;
}

void RecordWriter::emit(const std::string& text) {
  out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out_->good()) throw OutputFailure();
}

void RecordWriter::list(std::span<const Item> items) {
  if (out_ == nullptr) return;
  std::string record = format_list(items);
  record.append(kRecordEnd);
  emit(record);
}

void RecordWriter::formatted(const Layout& layout, std::span<const Item> items) {
  if (out_ == nullptr) return;
  std::string all;
  for (std::string& record : apply_layout(layout, items)) {
    all.append(record);
    all.append(kRecordEnd);
  }
  emit(all);
}

}  // namespace kelvaro::textio
