// How the engine hands results to the result list and the hit label. The
// windows implement it; tests record what it was given. Called on the search
// worker thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zeph {

// One result as the list shows it (GBK texts).
struct ResultRow {
    std::string name;
    std::string folder;
    std::string sizeText;
    std::string typeText;
    std::string timeText;
    bool operator==(const ResultRow&) const = default;
};

// The same texts held elsewhere (in the file list, a buffer of found rows).
struct ResultRowView {
    std::string_view name, folder, sizeText, typeText, timeText;
    // The entry was seen on disk at its path's UTF-8 form (the system's name
    // of a held name is otherwise found again when it is needed).
    bool onDiskAsUtf8 = false;
    ResultRow owned() const {
        return {std::string(name), std::string(folder), std::string(sizeText),
                std::string(typeText), std::string(timeText)};
    }
};

class ResultView {
public:
    virtual ~ResultView() = default;
    // A row of the first page (index 0 to 99), the moment it is found.
    virtual void addFirstPageRow(int index, const ResultRow& row) = 0;
    // The number of rows found so far, after every row from the first on (the
    // view decides how often to show it: see hitLabelText).
    virtual void setHits(std::int64_t hits) = 0;
    // The single "搜索完毕，没有结果可显示" row after a search without results.
    virtual void showNoResults(const std::string& text) = 0;
    // While a content search runs, a few times a second: the files searched so
    // far of the candidates, and the folder being searched.
    virtual void contentProgress(std::int64_t /*searched*/, std::int64_t /*candidates*/,
                                 const std::string& /*folder*/) {}
};

}  // namespace zeph
