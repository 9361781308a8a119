#pragma once
// The order in which sample labels are shown and paired (library kelvaro_field_tables): natural
// order, in which the numbers inside a label count as numbers, so that time runs forwards.
//
//   {"week 12", "week 8", "week 10"}        ->  "week 8", "week 10", "week 12"
//   {"2019-11-02", "2019-9-30", "2019-10-1"} ->  "2019-9-30", "2019-10-1", "2019-11-02"
//   {"10", "9", "2019.5"}                   ->  "9", "10", "2019.5"     (all numbers: by value)
//   {"plot 07", "plot 7"}                   ->  "plot 07", "plot 7"     (same value: by bytes)
//
// When every label of a set is a number (a text std::from_chars reads whole as a finite double:
// "2019", "-3", "1.5e3"), the set is ordered by value, so that "1.25" comes before "1.5".
// Otherwise each label is read as runs of decimal digits and runs of other bytes, and two labels
// compare run by run: two digit runs by the value they write (any length, leading zeros aside),
// anything else by bytes (as unsigned char); labels equal so far compare by their bytes. Dates
// written year first (ISO 8601, "2019-05-03", or with one-digit months and days) come in time
// order; dates written day or month first do not, and need a year-first label or the file's order.
//
// The functions are reentrant and allocate nothing beyond their results.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvaro::tools {

// How a program orders the samples of a table: natural order (above), or the order in which the
// labels first appear in the file.
enum class SampleOrder { kNatural, kFile };

// "natural", "file".
const char* sample_order_name(SampleOrder order);

// a before b by digit runs and bytes, as above (the rule for a set that is not all numbers). A
// strict weak order in which only equal texts are equivalent.
bool natural_less(std::string_view a, std::string_view b);

// The value of `label` when it is a number in the sense above; none when it is not.
std::optional<double> label_number(std::string_view label);

// The positions of `labels` in natural order, by value when every label is a number, else by
// natural_less: labels[order[0]] comes first. Equal labels keep their order.
std::vector<std::size_t> natural_order(const std::vector<std::string>& labels);
std::vector<std::size_t> natural_order(const std::vector<std::string_view>& labels);

}  // namespace kelvaro::tools
