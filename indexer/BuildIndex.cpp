#include "BuildIndex.h"

#include <fcntl.h>

#include <cstdio>
#include <ctime>

#include "common/FileIO.h"
#include "common/IndexFormat.h"
#include "common/KeyScheme.h"
#include "common/Messages.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "indexer/IndexPublisher.h"
#include "indexer/IndexerTexts.h"

namespace zeph {

namespace {

// Texts this stage writes to standard output are also shown, so a windowed
// run never ends silently.
[[noreturn]] void stdoutFatal(const std::string& programFolder, int code, const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    failRun(programFolder, code, text, "系统文件丢失");
}

}  // namespace

CBuildIndex::CBuildIndex(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

int CBuildIndex::Load(CSQLiteDB& db) {
    std::vector<Row> rows;
    if (db.QueryRows(sql::kSelectExtendNames, rows) != kSqlOk) {
        removeWorkFiles(m_programFolder);
        showMessage("SQL语句执行错误,错误代码为 " + db.lastError() + "!", "SQL执行错误");
        return -1;
    }
    std::int64_t largest = 0;
    for (const Row& row : rows) {
        std::int64_t id = std::strtoll(row[0].c_str(), nullptr, 10);
        m_extensions[row[1]] = id;
        if (id > largest) largest = id;
    }
    m_nextExtensionId = largest + 1;
    m_buckets.assign(index::kTotalBuckets, {});
    m_loaded = true;
    return 0;
}

int CBuildIndex::Build(CSQLiteDB& db) {
    if (!m_loaded) return -1;
    int read = ReadFileList();
    if (read == -1) return -1;
    if (read == -2) failRun(m_programFolder, -4, systemFileMissingText(332), "系统文件丢失");
    if (WriteIndex() != 0) return -1;

    m_publishing = true;
    bool published = publishIndex(m_programFolder, m_walkStarted, m_steps);
    m_publishing = false;
    if (!published) failRun(m_programFolder, -1, importFailedText(370));

    std::int64_t now = std::time(nullptr);
    if (db.Execute(sqlFormat(sql::kRecordIndexRun, {now})) != kSqlOk)
        failRun(m_programFolder, -1, importFailedText(370));
    return 0;
}

int CBuildIndex::ReadFileList() {
    LineReader reader(openPath(tmpFile(m_programFolder, index::kFileListName), O_RDONLY));
    std::string_view text;
    std::uint64_t offset = 0;
    for (;;) {
        if (m_stop) return -1;
        auto status = reader.next(text, offset);
        if (status == LineReader::Status::End) return 0;
        if (status == LineReader::Status::Error) return -2;
        if (offset > kMaxFileListOffset)
            failRun(m_programFolder, -1, fileListTooLargeText(), indexFailedCaption());
        if (auto line = parseFileListLine(text))
            IndexLine(static_cast<std::uint32_t>(offset), *line);
    }
}

void CBuildIndex::add(std::uint32_t slot, std::uint32_t entryId) {
    auto& postings = m_buckets[slot];
    if (postings.empty() || postings.back() != entryId) postings.push_back(entryId);
}

std::int64_t CBuildIndex::extensionIdOf(const std::string& suffix) {
    auto [it, inserted] = m_extensions.try_emplace(suffix, m_nextExtensionId);
    if (inserted) ++m_nextExtensionId;
    return it->second;
}

void CBuildIndex::IndexLine(std::uint32_t entryId, const FileListLine& line) {
    m_lowered.assign(line.name);
    lowerBytesInPlace(m_lowered);
    forEachNameKey(m_lowered, [&](KeyTable table, std::uint32_t key) {
        add(table == KeyTable::Character ? index::characterSlot(key) : index::pairSlot(key),
            entryId);
    });
    if (line.isFolder) return;
    Suffix suffix = nameSuffix(m_lowered);
    if (!suffix.hasSuffix) return;
    m_suffix.assign(suffix.text);
    add(index::suffixSlot(index::suffixBucketOf(extensionIdOf(m_suffix))), entryId);
}

int CBuildIndex::WriteIndex() {
    std::uint64_t dataSize = 0;
    for (const auto& postings : m_buckets) dataSize += postings.size() * 4;
    if (dataSize > kMaxIndexDataSize)
        failRun(m_programFolder, -1, indexDataTooLargeText(), indexFailedCaption());

    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    BufferedWriter meta(openPath(tmpFile(m_programFolder, index::kMetaIndexName), flags));
    if (meta.failed()) stdoutFatal(m_programFolder, -2, systemFileMissingText(402));
    BufferedWriter data(openPath(tmpFile(m_programFolder, index::kIndexDataName), flags));
    if (data.failed()) stdoutFatal(m_programFolder, -3, systemFileMissingText(412));

    std::uint32_t offset = 0;
    for (const auto& postings : m_buckets) {
        if (m_stop) return -1;
        meta.writeLE32(offset);
        meta.writeLE32(static_cast<std::uint32_t>(postings.size()));
        data.writeLE32(postings.data(), postings.size());
        offset += static_cast<std::uint32_t>(postings.size() * 4);
    }
    bool written = meta.finish(true);
    written = data.finish(true) && written;
    if (!written) failRun(m_programFolder, -1, importFailedText(370));
    return 0;
}

}  // namespace zeph
