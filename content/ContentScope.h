// What the content index covers: the files below its folders whose suffix
// names a kind of document it reads (the system's known text suffixes, PDF,
// Office and OpenDocument files, EPUB, HTML and XML), less the suffixes the
// user left out, up to a size. The engine, the indexer and the watcher all
// ask this one rule.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "content/DocumentKind.h"

namespace zeph {
class CSQLiteDB;
}

namespace zeph::content {

class ContentScope {
public:
    // Off, covering nothing.
    ContentScope() = default;
    // As the configuration database says.
    static ContentScope read(CSQLiteDB& config);
    ContentScope(bool enabled, std::vector<std::string> folders, std::set<std::string> textSuffixes,
                 std::set<std::string> skipped, std::int64_t maxFileSize);

    bool enabled() const { return m_enabled; }
    const std::vector<std::string>& folders() const { return m_folders; }
    std::int64_t maxFileSize() const { return m_maxFileSize; }

    // The kind of the entry's document when the index covers it, else None.
    DocumentKind kindOf(std::string_view folder, std::string_view name) const;
    // The same for a file in a folder the scope covers: by its suffix alone.
    DocumentKind kindOfName(std::string_view name) const;
    bool coversFolder(std::string_view folder) const;
    // Whether a suffix (lower case) is one the index covers.
    bool coversSuffix(std::string_view suffix) const;
    // Folders, suffixes and size, as one text: a store made for another scope is compared anew.
    std::string fingerprint() const;

private:
    bool m_enabled = false;
    std::vector<std::string> m_folders;
    std::set<std::string> m_textSuffixes;
    std::set<std::string> m_skipped;
    std::int64_t m_maxFileSize = 0;
};

}  // namespace zeph::content
