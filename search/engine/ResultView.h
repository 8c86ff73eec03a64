// How the engine hands results to the result list and the hit label. The
// windows implement it; tests record what it was given. Called on the search
// worker thread.
#pragma once

#include <cstdint>
#include <string>

namespace zeph {

// One result as the list shows it (GBK texts).
struct ResultRow {
    std::string name;
    std::string folder;
    std::string sizeText;
    std::string typeText;
    std::string timeText;
};

class ResultView {
public:
    virtual ~ResultView() = default;
    // A row of the first page (index 0 to 99), the moment it is found.
    virtual void addFirstPageRow(int index, const ResultRow& row) = 0;
    // The hit label after every stored row: its text and the number it states.
    virtual void setHitLabel(const std::string& text, std::int64_t hits) = 0;
    // The single "搜索完毕，没有结果可显示" row after a search without results.
    virtual void showNoResults(const std::string& text) = 0;
};

}  // namespace zeph
