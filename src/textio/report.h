#pragma once
// The two kinds of report record, written to a stream owned by the caller.
// A free-form record begins with one blank; items are separated by one blank except between two
// text items, which are joined; integers take 11 columns, reals 15 (8 significant digits),
// doubles 25 (17 significant digits). A formatted record is laid out by a Layout. Every record
// ends with CR LF.
//
//   list({"seed=", 400})                            -> " seed=         400"
//   list({1.0f})                                    -> "   1.0000000    "
//   formatted(compile_layout("(f5.2)"), {0.125f})   -> " 0.13"

#include <initializer_list>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "textio/item.h"
#include "textio/layout.h"

namespace kelvaro::textio {

// A report record could not be written: the report stream went bad (a full disk, a closed
// descriptor). The owner of the stream knows why.
class OutputFailure : public std::runtime_error {
 public:
  OutputFailure() : std::runtime_error("the report could not be written") {}
};

// Writes records to a stream; nullptr discards them. Throws OutputFailure as soon as the stream
// has failed, so that a run stops at its first lost record.
class RecordWriter {
 public:
  explicit RecordWriter(std::ostream* out) : out_(out) {}

  // One free-form write statement: one record.
  void list(std::span<const Item> items);
  void list(std::initializer_list<Item> items) { list({items.begin(), items.size()}); }

  // One formatted write statement: one or more records (reversion).
  void formatted(const Layout& layout, std::span<const Item> items);
  void formatted(const Layout& layout, std::initializer_list<Item> items) {
    formatted(layout, {items.begin(), items.size()});
  }

 private:
  void emit(const std::string& text);
  std::ostream* out_;
};

// The same records as text, without their CR LF (for tests and tools).
std::string format_list(std::span<const Item> items);
inline std::string format_list(std::initializer_list<Item> items) {
  return format_list(std::span<const Item>(items.begin(), items.size()));
}

}  // namespace kelvaro::textio
