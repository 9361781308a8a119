#pragma once
// The order of group and sample labels in kelvaro-batch. Groups: by value when every label of the
// set is a number, else by bytes. Samples: in natural order (kelvaro/natural_order.h: by value
// when every label is a number, else "week 8" before "week 12"), or in the order in which the
// labels first appear (in a pairs file, then the table). It decides which samples of a group follow
// one another and the order of the rows of every output table, so that the output never depends on
// the input's row order or on threads.
//
//   {"10", "9", "2019.5"}  ->  "9", "10", "2019.5"     (all numbers)
//   {"10", "9", "B"}       ->  "10", "9", "B"          (bytes)
//   {"1.0", "1", "01"}     ->  "01", "1", "1.0"        (equal values: by bytes)
//
// A number is a label that tools::label_number reads (kelvaro/natural_order.h): "2019", "-3",
// "1.5e3"; not " 1", "+1", "0x1F", "inf", "NaN" (these make the set one ordered by bytes).

#include <cstdint>
#include <string_view>
#include <vector>

#include "kelvaro/labels.h"
#include "kelvaro/natural_order.h"

namespace kelvaro::batch {

// The rank (0 = first) of every label of the pool, by id: ranks[id]. The labels of a pool are
// distinct, so the ranks are 0 .. size() - 1, each once. By value or bytes, as groups are ordered.
std::vector<std::uint32_t> label_ranks(const tools::LabelPool& labels);

// The same in a sample order.
std::vector<std::uint32_t> label_ranks(const tools::LabelPool& labels, tools::SampleOrder order);

}  // namespace kelvaro::batch
