// The formatted-write record builder.
#include "textio/layout.h"

#include <cassert>

#include "textio/fields.h"

namespace kelvaro::textio {
namespace {

// Writes one item by a data descriptor.
void write_item(std::string& out, const Descriptor& d, const Item& item) {
  switch (d.kind) {
    case Descriptor::Kind::Integer:
      assert(item.kind == Item::Kind::Integer && "I needs an integer item");
      append_integer(out, item.i, d.width);
      break;
    case Descriptor::Kind::Fixed:
      assert((item.kind == Item::Kind::Real || item.kind == Item::Kind::Double) &&
             "F needs a real item");
      append_fixed(out, item.kind == Item::Kind::Real ? static_cast<double>(item.r) : item.d,
                   d.width, d.decimals);
      break;
    default:
      assert(item.kind == Item::Kind::Text && "A needs a text item");
      append_text(out, item.s, d.width);
      break;
  }
}

// A quoted text as it prints: a doubled quote stands for one.
void append_literal(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    out.push_back(text[i]);
    if ((text[i] == '\'' || text[i] == '"') && i + 1 < text.size() && text[i + 1] == text[i]) ++i;
  }
}

}  // namespace

std::vector<std::string> apply_layout(const Layout& layout, std::span<const Item> items) {
  const std::span<const Descriptor> ds(layout.descriptors.data(), layout.size);
  std::vector<std::string> records(1);
  std::size_t next = 0;
  for (;;) {
    std::string& rec = records.back();
    int pending = 0;  // X blanks not yet written
    bool any_data = false;
    for (const Descriptor& d : ds) {
      if (d.kind == Descriptor::Kind::Blanks) {
        pending += d.width;
        continue;
      }
      if (d.is_data()) {
        if (next == items.size()) return records;
        any_data = true;
      }
      rec.append(static_cast<std::size_t>(pending), ' ');
      pending = 0;
      if (d.is_data()) {
        write_item(rec, d, items[next++]);
      } else {
        append_literal(rec, d.text);
      }
    }
    // End of the layout: the record ends; with items left, a new one starts from the beginning.
    if (next == items.size()) return records;
    assert(any_data && "items left for a layout without data descriptors");
    if (!any_data) return records;
    records.emplace_back();
  }
}

}  // namespace kelvaro::textio
