// Rows found by one worker in one block of candidates, kept without an
// allocation per row: the name and folder are views of the candidate's line
// and the type a view of its description (both outlive the search's pass),
// while the size and time texts are appended to one buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/engine/ResultView.h"

namespace zeph {

class FoundRows {
public:
    // Starts a row; its size and time texts are then appended to texts().
    void begin(std::string_view name, std::string_view folder, std::string_view type,
               bool onDiskAsUtf8) {
        m_rows.push_back({name, folder, type, m_texts.size(), 0, onDiskAsUtf8});
    }
    // Marks where the size text ends and the time text begins.
    void endSize() { m_rows.back().sizeEnd = m_texts.size(); }
    std::string& texts() { return m_texts; }

    size_t size() const { return m_rows.size(); }
    ResultRowView operator[](size_t i) const {
        const Row& row = m_rows[i];
        size_t timeEnd = i + 1 < m_rows.size() ? m_rows[i + 1].sizeBegin : m_texts.size();
        std::string_view texts(m_texts);
        return {row.name, row.folder, texts.substr(row.sizeBegin, row.sizeEnd - row.sizeBegin),
                row.type, texts.substr(row.sizeEnd, timeEnd - row.sizeEnd), row.onDiskAsUtf8};
    }
    void release() {
        std::vector<Row>().swap(m_rows);
        std::string().swap(m_texts);
    }

private:
    struct Row {
        std::string_view name, folder, type;
        size_t sizeBegin, sizeEnd;
        bool onDiskAsUtf8;
    };
    std::vector<Row> m_rows;
    std::string m_texts;
};

}  // namespace zeph
