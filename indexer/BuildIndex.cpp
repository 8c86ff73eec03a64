#include "BuildIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

#include "common/FileIO.h"
#include "common/IndexFormat.h"
#include "common/KeyScheme.h"
#include "common/Codec.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/TerminalText.h"
#include "indexer/ChunkKeys.h"
#include "indexer/IndexPublisher.h"
#include "indexer/IndexerTexts.h"

namespace zeph {

namespace {

// Texts this stage writes to standard output are also shown, so a windowed
// run never ends silently.
[[noreturn]] void stdoutFatal(const std::string& programFolder, int code, const std::string& text) {
    std::fputs(terminalTextFromGbk(text).c_str(), stdout);
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

namespace {

// The file list handed out in chunks that end at a line's end, in order.
class FileListChunks {
public:
    FileListChunks(UniqueFd fd, std::size_t chunkBytes) : m_fd(std::move(fd)), m_size(chunkBytes) {}

    struct Chunk {
        std::size_t index = 0;
        std::uint64_t firstId = 0;
    };
    enum class Status { Chunk, End, Error };
    // The next chunk's text into text (its buffer reused).
    Status next(std::string& text, Chunk& chunk) {
        std::lock_guard lock(m_mutex);
        if (m_error) return Status::Error;
        text.assign(m_carry);  // each thread keeps its own buffer
        m_carry.clear();
        std::size_t lineEnd = std::string::npos;
        while (!m_eof && (text.size() < m_size || lineEnd == std::string::npos)) {
            std::size_t had = text.size();
            text.resize(std::max(m_size, had + (std::size_t{1} << 16)));
            ssize_t n = ::read(m_fd.get(), text.data() + had, text.size() - had);
            if (n < 0 && errno == EINTR) n = 0;
            if (n < 0) {
                m_error = true;
                return Status::Error;
            }
            text.resize(had + static_cast<std::size_t>(n));
            if (n == 0) m_eof = true;
            if (text.size() >= m_size) lineEnd = text.rfind('\n');
        }
        if (text.empty()) return Status::End;
        if (!m_eof) {
            m_carry.assign(text, lineEnd + 1);
            text.resize(lineEnd + 1);
        }
        chunk = {m_next++, m_offset};
        m_offset += text.size();
        return Status::Chunk;
    }

private:
    UniqueFd m_fd;
    std::size_t m_size;
    std::mutex m_mutex;
    std::string m_carry;
    std::size_t m_next = 0;
    std::uint64_t m_offset = 0;
    bool m_eof = false;
    bool m_error = false;
};

}  // namespace

int CBuildIndex::ReadFileList() {
    UniqueFd fd = openPath(tmpFile(m_programFolder, index::kFileListName), O_RDONLY);
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return -2;
    m_runs = std::make_unique<PostingRuns>(osPath(joinPath(m_programFolder, "tmp")));
    if (!m_runs->valid()) failRun(m_programFolder, -1, importFailedText(370));
    // Large lists in larger chunks, so the runs to merge stay few.
    const std::size_t chunkBytes =
        std::max(m_minimumChunkBytes, static_cast<std::size_t>(st.st_size) / 64);
    FileListChunks chunks(std::move(fd), chunkBytes);

    enum : int { kRead = 0, kStopped = -1, kReadError = -2, kTooLarge = -3, kWriteError = -4 };
    std::atomic<int> outcome{kRead};
    auto fail = [&](int why) {
        int expected = kRead;
        outcome.compare_exchange_strong(expected, why);
    };
    auto readChunks = [&] {
        ChunkKeys keys(m_extensions);
        std::string text;
        std::vector<std::uint32_t> sorted;
        FileListChunks::Chunk chunk;
        while (outcome == kRead) {
            if (m_stop) return fail(kStopped);
            auto status = chunks.next(text, chunk);
            if (status == FileListChunks::Status::End) return;
            if (status == FileListChunks::Status::Error) return fail(kReadError);
            if (!keys.read(text, chunk.firstId)) return fail(kTooLarge);
            ChunkRun run = keys.finish(sorted);
            if (!m_runs->add(chunk.index, std::move(run), sorted)) return fail(kWriteError);
        }
    };
    unsigned threads = m_threads ? m_threads : std::max(1u, std::thread::hardware_concurrency());
    {
        std::vector<std::jthread> workers;
        for (unsigned i = 1; i < threads; ++i) workers.emplace_back(readChunks);
        readChunks();
    }
    switch (outcome.load()) {
        case kStopped: return -1;
        case kReadError: return -2;
        case kTooLarge: failRun(m_programFolder, -1, fileListTooLargeText(), indexFailedCaption());
        case kWriteError: failRun(m_programFolder, -1, importFailedText(370));
        default: return 0;
    }
}

std::int64_t CBuildIndex::extensionIdOf(const std::string& suffix) {
    auto [it, inserted] = m_extensions.try_emplace(suffix, m_nextExtensionId);
    if (inserted) ++m_nextExtensionId;
    return it->second;
}

int CBuildIndex::WriteIndex() {
    if (m_runs->postingCount() * 4 > kMaxIndexDataSize)
        failRun(m_programFolder, -1, indexDataTooLargeText(), indexFailedCaption());

    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    BufferedWriter meta(openPath(tmpFile(m_programFolder, index::kMetaIndexName), flags));
    if (meta.failed()) stdoutFatal(m_programFolder, -2, systemFileMissingText(402));
    BufferedWriter data(openPath(tmpFile(m_programFolder, index::kIndexDataName), flags));
    if (data.failed()) stdoutFatal(m_programFolder, -3, systemFileMissingText(412));

    auto outcome = m_runs->write([this](const std::string& suffix) { return extensionIdOf(suffix); },
                                 meta, data, m_stop);
    m_runs.reset();
    if (outcome == PostingRuns::Outcome::Stopped) return -1;
    bool written = meta.finish(true);
    written = data.finish(true) && written;
    if (!written || outcome == PostingRuns::Outcome::Failed)
        failRun(m_programFolder, -1, importFailedText(370));
    return 0;
}

}  // namespace zeph
