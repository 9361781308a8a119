#pragma once
// Values the report does not print (the estimators, the curves) as the tables write them: the
// shortest text that reads back as the same double, its exponent marked "E" as the report marks
// it; NaN and the infinities as the report's wide fields print them.
//   17.9 -> "17.9", 10.0 -> "10", 1.5e20 -> "1.5E+20", NaN -> "NaN", -inf -> "-Infinity"

#include <string>

namespace kelvaro {

std::string shortest_double(double v);

}  // namespace kelvaro
