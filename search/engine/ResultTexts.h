// The display texts of a result row and of the hit label (GBK).
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>

namespace zeph {

inline constexpr int kPageSize = 100;

// Decimal digits grouped in threes with commas: "999", "1,000", "1,234,567".
std::string formatThousands(std::uint64_t value);
// The grouped size right-aligned in 19 characters; longer texts are kept whole.
std::string sizeText(std::int64_t size);
void appendSizeText(std::string& out, std::int64_t size);
// "%Y-%m-%d %H:%M:%S" in local time; "" when the time cannot be converted.
std::string timeText(std::int64_t seconds);

// The same texts for many rows: the local time of each hour is worked out
// once, so a search that stores many rows does not ask the time-zone code
// for every one. One per thread.
class TimeTexts {
public:
    std::string text(std::int64_t seconds);
    void append(std::string& out, std::int64_t seconds);

private:
    struct Hour {
        std::int64_t start = std::numeric_limits<std::int64_t>::min();
        bool uniform = false;  // one offset all hour, within one local day
        std::tm local{};
    };
    std::array<Hour, 64> m_hours;
};

std::int64_t pageCount(std::int64_t hits);
// "ZEPH桌面搜索找到文件  N  个，共分为  P  页。"
std::string hitLabelText(std::int64_t hits);
// Reads N back from a hit label text; -1 when the text is not one.
std::int64_t hitsFromLabel(std::string_view text);
std::string noResultsText();
std::string folderTypeText();
std::string unknownTypeText();

}  // namespace zeph
