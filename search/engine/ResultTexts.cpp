#include "ResultTexts.h"

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

std::string sizeText(std::int64_t size) {
    std::string grouped = formatThousands(static_cast<std::uint64_t>(size < 0 ? 0 : size));
    return grouped.size() >= 19 ? grouped : std::string(19 - grouped.size(), ' ') + grouped;
}

std::string timeText(std::int64_t seconds) {
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    char buffer[64];
    size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, n);
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
