#include "DateRanges.h"

#include <charconv>
#include <limits>

namespace zeph {

namespace {

constexpr std::int64_t kDay = 24 * 3600;
constexpr std::int64_t kEarliest = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kLatest = std::numeric_limits<std::int64_t>::max();

// Local midnight starting the given day (mktime normalises overflowing fields).
std::int64_t localStart(int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&t));
}

std::tm localNow(std::time_t now) {
    std::tm t{};
    ::localtime_r(&now, &t);
    return t;
}

std::optional<int> number(std::string_view digits) {
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return value;
}

// One period: a word, or a date of a day, a month or a year.
std::optional<TimeRange> period(std::string_view text, std::time_t now, std::string& why) {
    const std::tm today = localNow(now);
    const int y = today.tm_year + 1900, m = today.tm_mon + 1, d = today.tm_mday;
    const int sinceMonday = (today.tm_wday + 6) % 7;
    auto days = [&](int firstDay, int count) {
        return TimeRange{localStart(y, m, firstDay), localStart(y, m, firstDay + count) - 1};
    };
    if (text == "today") return days(d, 1);
    if (text == "yesterday") return days(d - 1, 1);
    if (text == "thisweek") return days(d - sinceMonday, 7);
    if (text == "lastweek") return days(d - sinceMonday - 7, 7);
    if (text == "last7days") return TimeRange{static_cast<std::int64_t>(now) - 7 * kDay,
                                              static_cast<std::int64_t>(now)};
    if (text == "thismonth") return TimeRange{localStart(y, m, 1), localStart(y, m + 1, 1) - 1};
    if (text == "thisyear") return TimeRange{localStart(y, 1, 1), localStart(y + 1, 1, 1) - 1};
    // 2024, 2024-03, 2024-03-15
    std::string_view parts[3];
    int count = 0;
    for (size_t at = 0; count < 3;) {
        size_t dash = text.find('-', at);
        parts[count++] = text.substr(at, dash == std::string_view::npos ? dash : dash - at);
        if (dash == std::string_view::npos) break;
        at = dash + 1;
        if (count == 3) {
            why = "日期的写法是 2024、2024-03 或 2024-03-15";
            return std::nullopt;
        }
    }
    auto year = number(parts[0]);
    auto month = count > 1 ? number(parts[1]) : std::optional<int>(1);
    auto day = count > 2 ? number(parts[2]) : std::optional<int>(1);
    if (!year || !month || !day || parts[0].size() != 4) {
        why = "不是时间：可以写 today、yesterday、thisweek、lastweek、thismonth、thisyear、"
              "last7days，或 2024、2024-03、2024-03-15";
        return std::nullopt;
    }
    if (*month < 1 || *month > 12) {
        why = "月份应在 1 到 12 之间";
        return std::nullopt;
    }
    const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    if (*day < 1 || *day > monthDays[*month - 1] || (*month == 2 && *day == 29 && !leap)) {
        why = "这个月没有这一天";
        return std::nullopt;
    }
    if (count == 1) return TimeRange{localStart(*year, 1, 1), localStart(*year + 1, 1, 1) - 1};
    if (count == 2)
        return TimeRange{localStart(*year, *month, 1), localStart(*year, *month + 1, 1) - 1};
    return TimeRange{localStart(*year, *month, *day), localStart(*year, *month, *day + 1) - 1};
}

}  // namespace

std::optional<TimeRange> parseTimeRange(std::string_view text, std::time_t now, std::string& why) {
    if (size_t dots = text.find(".."); dots != std::string_view::npos) {
        auto first = dots == 0 ? std::optional<TimeRange>(TimeRange{kEarliest, kEarliest})
                               : period(text.substr(0, dots), now, why);
        auto last = dots + 2 == text.size() ? std::optional<TimeRange>(TimeRange{kLatest, kLatest})
                                            : period(text.substr(dots + 2), now, why);
        if (!first || !last) return std::nullopt;
        if (first->from > last->to) {
            why = "时间范围的开始晚于结束";
            return std::nullopt;
        }
        return TimeRange{first->from, last->to};
    }
    for (std::string_view op : {">=", "<=", ">", "<"}) {
        if (!text.starts_with(op)) continue;
        auto base = period(text.substr(op.size()), now, why);
        if (!base) return std::nullopt;
        if (op == ">=") return TimeRange{base->from, kLatest};
        if (op == "<=") return TimeRange{kEarliest, base->to};
        if (op == ">") return TimeRange{base->to + 1, kLatest};
        return TimeRange{kEarliest, base->from - 1};
    }
    return period(text, now, why);
}

}  // namespace zeph
