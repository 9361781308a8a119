// The report stream and the free-form and formatted write statements.
#include "textio/report.h"

#include <ostream>

#include "textio/fields.h"
#include "textio/layout.h"

namespace kelvaro::textio {
namespace {

std::ostream* g_report = nullptr;  // unit 6; set by the run's entry point

constexpr std::string_view kRecordEnd = "\r\n";

void emit(std::string& record) {
  if (g_report == nullptr) return;
  record.append(kRecordEnd);
  g_report->write(record.data(), static_cast<std::streamsize>(record.size()));
  if (!g_report->good()) throw OutputFailure();
}

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

void set_report_stream(std::ostream* out) { g_report = out; }

std::ostream* report_stream() { return g_report; }

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

std::string format_list(std::initializer_list<Item> items) {
  return format_list(std::span<const Item>(items.begin(), items.size()));
}

std::vector<std::string> format_records(std::string_view layout, std::span<const Item> items) {
  return apply_layout(layout, items);
}

std::vector<std::string> format_records(std::string_view layout,
                                        std::initializer_list<Item> items) {
  return apply_layout(layout, std::span<const Item>(items.begin(), items.size()));
}

void write_list(std::span<const Item> items) {
  std::string record = format_list(items);
  emit(record);
}

void write_list(std::initializer_list<Item> items) {
  write_list(std::span<const Item>(items.begin(), items.size()));
}

void write_formatted(std::string_view layout, std::span<const Item> items) {
  if (g_report == nullptr) return;
  std::string all;
  for (std::string& record : apply_layout(layout, items)) {
    all.append(record);
    all.append(kRecordEnd);
  }
  g_report->write(all.data(), static_cast<std::streamsize>(all.size()));
  if (!g_report->good()) throw OutputFailure();
}

void write_formatted(std::string_view layout, std::initializer_list<Item> items) {
  write_formatted(layout, std::span<const Item>(items.begin(), items.size()));
}

}  // namespace kelvaro::textio
