// The times a user writes in a search line, as ranges of seconds since 1970
// in local time: today, yesterday, thisweek (weeks start on Monday),
// lastweek, thismonth, thisyear, last7days; a day 2024-03-15, a month
// 2024-03, a year 2024; a range a..b; and a comparison >x, >=x, <x, <=x.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zeph {

struct TimeRange {
    std::int64_t from;  // first second in the range
    std::int64_t to;    // last second in the range
};

// nullopt with why (GBK, for the user) when the text is no time.
std::optional<TimeRange> parseTimeRange(std::string_view text, std::time_t now, std::string& why);

}  // namespace zeph
