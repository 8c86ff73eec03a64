// The change journal of an index generation, Changes.journal in the
// generation's folder: what the watcher saw change since the generation's
// walk, in order, one record a line (GBK, like the file list):
//   +<file-list line>   an entry that is new or changed, with its new state
//   -<full path>        an entry removed or moved away; for a folder, with
//                       everything below it
// Records are appended in batches; a reader takes only the records that end
// in a line feed, so a torn last record is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/FileList.h"

namespace zeph::journal {

inline constexpr char kJournalName[] = "Changes.journal";
inline constexpr char kAdded = '+';
inline constexpr char kRemoved = '-';

inline void appendAdded(std::string& out, bool isFolder, std::string_view name,
                        std::string_view folder, std::int64_t size, const FileTimes& times) {
    out += kAdded;
    appendFileListLine(out, isFolder, name, folder, size, times);
}

inline void appendRemoved(std::string& out, std::string_view path) {
    out += kRemoved;
    out += path;
    out += '\n';
}

struct Record {
    bool added;
    std::string_view text;  // the file-list line, or the removed path
    FileListLine line;      // the line's fields, for an addition
};

// Calls sink(Record) for every complete record of text in order, skipping any
// that is malformed; returns the bytes taken (up to the last line feed).
template <class Sink>
size_t forEachRecord(std::string_view text, Sink&& sink) {
    size_t taken = 0;
    for (size_t end; (end = text.find('\n', taken)) != std::string_view::npos; taken = end + 1) {
        std::string_view record = text.substr(taken, end - taken);
        if (record.size() < 2) continue;
        if (record[0] == kAdded) {
            if (auto line = parseFileListLine(record.substr(1)))
                sink(Record{true, record.substr(1), *line});
        } else if (record[0] == kRemoved && record[1] == '/') {
            sink(Record{false, record.substr(1), {}});
        }
    }
    return taken;
}

}  // namespace zeph::journal
