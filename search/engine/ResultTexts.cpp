#include "ResultTexts.h"

#include <cstdio>
#include <ctime>

namespace zeph {

namespace {
const char kLabelStart[] = "ZEPH桌面搜索找到文件  ";
}  // namespace

std::string formatThousands(std::uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    size_t first = digits.size() % 3;
    if (first == 0) first = 3;
    out.append(digits, 0, first);
    for (size_t i = first; i < digits.size(); i += 3) {
        out += ',';
        out.append(digits, i, 3);
    }
    return out;
}

void appendSizeText(std::string& out, std::int64_t size) {
    // Digits from the right, a comma after every third.
    char buffer[32];
    char* p = buffer + sizeof buffer;
    auto value = static_cast<std::uint64_t>(size < 0 ? 0 : size);
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0) *--p = ',';
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
        ++digits;
    } while (value > 0);
    size_t length = static_cast<size_t>(buffer + sizeof buffer - p);
    if (length < 19) out.append(19 - length, ' ');
    out.append(p, length);
}

std::string sizeText(std::int64_t size) {
    std::string out;
    appendSizeText(out, size);
    return out;
}

std::string timeText(std::int64_t seconds) {
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    char buffer[64];
    size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, n);
}

std::string TimeTexts::text(std::int64_t seconds) {
    std::string out;
    append(out, seconds);
    return out;
}

void TimeTexts::append(std::string& out, std::int64_t seconds) {
    constexpr std::int64_t kHour = 3600;
    std::int64_t start = seconds - ((seconds % kHour) + kHour) % kHour;
    Hour& hour = m_hours[static_cast<size_t>((start / kHour) & 63)];
    if (hour.start != start) {
        hour.start = start;
        std::time_t first = static_cast<std::time_t>(start), last = first + kHour - 1;
        std::tm lastLocal{};
        hour.uniform = localtime_r(&first, &hour.local) && localtime_r(&last, &lastLocal) &&
                       hour.local.tm_gmtoff == lastLocal.tm_gmtoff &&
                       hour.local.tm_mday == lastLocal.tm_mday && hour.local.tm_year >= -900 &&
                       hour.local.tm_year <= 8099;
    }
    if (!hour.uniform) {
        out += timeText(seconds);
        return;
    }
    const std::tm& t = hour.local;
    int second = t.tm_sec + static_cast<int>(seconds - start);
    int minute = t.tm_min + second / 60;
    int fields[6] = {t.tm_year + 1900,        t.tm_mon + 1, t.tm_mday,
                     t.tm_hour + minute / 60, minute % 60,  second % 60};
    char text[19];  // "YYYY-MM-DD HH:MM:SS"
    for (int i = 0, year = fields[0]; i < 4; ++i, year /= 10)
        text[3 - i] = static_cast<char>('0' + year % 10);
    for (int f = 1; f < 6; ++f) {
        text[3 * f + 1] = " -- ::"[f];
        text[3 * f + 2] = static_cast<char>('0' + fields[f] / 10);
        text[3 * f + 3] = static_cast<char>('0' + fields[f] % 10);
    }
    out.append(text, sizeof text);
}

std::int64_t pageCount(std::int64_t hits) {
    return (hits + kPageSize - 1) / kPageSize;
}

std::string hitLabelText(std::int64_t hits) {
    return kLabelStart + std::to_string(hits) + "  个，共分为  " + std::to_string(pageCount(hits)) +
           "  页。";
}

std::int64_t hitsFromLabel(std::string_view text) {
    std::string_view start = kLabelStart;
    if (!text.starts_with(start)) return -1;
    text.remove_prefix(start.size());
    std::int64_t hits = 0;
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits < 18)
        hits = hits * 10 + (text[digits++] - '0');
    return digits == 0 ? -1 : hits;
}

std::string noResultsText() {
    return "搜索完毕，没有结果可显示";
}
std::string folderTypeText() {
    return "文件夹";
}
std::string unknownTypeText() {
    return "未知文件类型";
}

}  // namespace zeph
