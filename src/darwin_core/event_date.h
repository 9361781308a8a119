#pragma once
// The year, month and day an eventDate gives: ISO 8601 as Darwin Core writes it, a date, a
// date-time or an interval, whose start counts. Month and day are written without leading zeros,
// as the terms month and day are.
//
//   "2019-05-03"                 ->  2019, 5, 3
//   "2019-05-03T10:05:00+02:00"  ->  2019, 5, 3
//   "2019-05-03/2019-05-10"      ->  2019, 5, 3
//   "2019-05"                    ->  2019, 5, ""
//   "2019"                       ->  2019, "", ""
//   "20190503"                   ->  2019, 5, 3
//   "03/05/2019", "May 2019", "2019-13-01"  ->  nullopt

#include <optional>
#include <string>
#include <string_view>

namespace kelvaro::dwc {

struct DateParts {
  std::string year, month, day;  // month and day empty when the date does not give them
};

std::optional<DateParts> date_parts(std::string_view event_date);

}  // namespace kelvaro::dwc
