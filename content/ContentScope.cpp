#include "ContentScope.h"

#include "common/ContentSettings.h"
#include "common/KeyScheme.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"

namespace zeph::content {

namespace {

constexpr int kTextType = 1;  // the suffix table's type of text files

}  // namespace

ContentScope::ContentScope(bool enabled, std::vector<std::string> folders,
                           std::set<std::string> textSuffixes, std::set<std::string> skipped,
                           std::int64_t maxFileSize)
    : m_enabled(enabled),
      m_folders(std::move(folders)),
      m_textSuffixes(std::move(textSuffixes)),
      m_skipped(std::move(skipped)),
      m_maxFileSize(maxFileSize) {}

ContentScope ContentScope::read(CSQLiteDB& config) {
    ContentSettings settings = readContentSettings(config);
    std::set<std::string> text;
    std::vector<Row> rows;
    if (config.QueryRows(sqlFormat(sql::kSelectExtendNamesOfType, {std::int64_t{kTextType}}),
                         rows) == kSqlOk)
        for (const Row& row : rows) text.insert(lowerBytes(row[1]));
    return ContentScope(settings.enabled, contentFolders(settings), std::move(text),
                        {settings.skippedTypes.begin(), settings.skippedTypes.end()},
                        settings.maxFileMB << 20);
}

bool ContentScope::coversFolder(std::string_view folder) const {
    if (!m_enabled) return false;
    for (const std::string& root : m_folders)
        if (folderContains(root, folder)) return true;
    return false;
}

bool ContentScope::coversSuffix(std::string_view suffix) const {
    if (!m_enabled || m_skipped.contains(std::string(suffix))) return false;
    return documentKind(suffix, m_textSuffixes.contains(std::string(suffix))) != DocumentKind::None;
}

DocumentKind ContentScope::kindOf(std::string_view folder, std::string_view name) const {
    return coversFolder(folder) ? kindOfName(name) : DocumentKind::None;
}

DocumentKind ContentScope::kindOfName(std::string_view name) const {
    Suffix suffix = nameSuffix(name);
    if (!suffix.hasSuffix) return DocumentKind::None;
    std::string lower = lowerBytes(suffix.text);
    if (m_skipped.contains(lower)) return DocumentKind::None;
    return documentKind(lower, m_textSuffixes.contains(lower));
}

std::string ContentScope::fingerprint() const {
    if (!m_enabled) return "off";
    std::string text;
    for (const std::string& folder : m_folders) text += folder + '\n';
    text += '|';
    for (const std::string& suffix : m_textSuffixes)
        if (!m_skipped.contains(suffix)) text += suffix + ',';
    text += '|' + std::to_string(m_maxFileSize);
    return text;
}

}  // namespace zeph::content
