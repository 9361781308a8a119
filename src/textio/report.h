#pragma once
// The report stream (unit 6) and the two kinds of write statement.
// A free-form record begins with one blank; items are separated by one blank except between two
// text items, which are joined; integers take 11 columns, reals 15 (8 significant digits),
// doubles 25 (17 significant digits). A formatted record is laid out by a layout string such as
// "(1x,a10,3f10.2,4x,f10.2,' - ',f10.2)". Every record ends with CR LF.
//
//   write_list({"seed=", 400})             -> " seed=         400"
//   write_list({1.0f})                     -> "   1.0000000    "
//   write_formatted("(f5.2)", {0.125f})    -> " 0.13"

#include <initializer_list>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "textio/item.h"

namespace kelvaro::textio {

// A report record could not be written: the report stream went bad (a full disk, a closed
// descriptor). The owner of the stream knows why.
class OutputFailure : public std::runtime_error {
 public:
  OutputFailure() : std::runtime_error("the report could not be written") {}
};

// Where report records go. The run's entry point sets it; nullptr discards records. Every
// write statement throws OutputFailure once the stream has failed.
void set_report_stream(std::ostream* out);
std::ostream* report_stream();

// One free-form write statement: one record on the report stream.
void write_list(std::span<const Item> items);
void write_list(std::initializer_list<Item> items);

// One formatted write statement: one or more records (reversion) on the report stream.
void write_formatted(std::string_view layout, std::span<const Item> items);
void write_formatted(std::string_view layout, std::initializer_list<Item> items);

// The same, returning the record texts without their CR LF (for tests and tools).
std::string format_list(std::span<const Item> items);
std::string format_list(std::initializer_list<Item> items);
std::vector<std::string> format_records(std::string_view layout, std::span<const Item> items);
std::vector<std::string> format_records(std::string_view layout, std::initializer_list<Item> items);

}  // namespace kelvaro::textio
