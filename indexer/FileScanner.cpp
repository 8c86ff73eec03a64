#include "FileScanner.h"

#include <fcntl.h>

#include <string_view>

#include "common/FileIO.h"
#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/Statements.h"
#include "indexer/IndexerTexts.h"
#include "indexer/ParallelWalk.h"
#include "indexer/TreeWalk.h"

namespace zeph {

// Formats one file-list line per entry into the folder's block.
class CFileScanner::Walk : public ParallelWalk::Lister {
public:
    explicit Walk(CFileScanner& scanner) : m_scanner(scanner) {}

    bool entry(std::string& block, const std::string& gbkFolder, std::string_view gbkName,
               const EntryState& state) override {
        ++m_scanner.m_entries;
        ++m_scanner.m_linesInRoot;
        appendFileListLine(block, state.isFolder, gbkName, gbkFolder, state.size, state.times);
        return true;
    }

private:
    CFileScanner& m_scanner;
};

CFileScanner::CFileScanner(std::string programFolder) : m_programFolder(std::move(programFolder)) {}

int CFileScanner::Scan(CSQLiteDB& db) {
    std::vector<Row> rows;
    if (db.QueryRows(sql::kSelectScanFolders, rows) != kSqlOk) {
        showMessage("SQL语句执行错误，错误代码为 " + db.lastError() + " ", "SQL执行错误");
        return kScanQueryFailed;
    }
    std::vector<std::string> roots;
    for (const Row& row : rows) roots.push_back(row[0]);
    m_exclusions = Exclusions::read(db);
    return ScanRoots(roots);
}

int CFileScanner::ScanRoots(const std::vector<std::string>& roots) {
    std::string listPath = tmpFile(m_programFolder, index::kFileListName);
    BufferedWriter out(openPath(listPath, O_WRONLY | O_CREAT | O_TRUNC));
    if (out.failed()) failRun(m_programFolder, -2, "打开文件失败，请与开发商联系!", "打开文件失败");

    m_entries = 0;
    m_rootsDone = 0;
    m_rootsTotal = static_cast<int>(roots.size());
    TreeWalk rules(m_classify);
    rules.setExclusions(m_exclusions);
    ParallelWalk walk(rules, m_threads);
    Walk lister(*this);
    bool tooLarge = false;
    auto write = [&](const std::string& gbkFolder, const std::string& block) {
        setCurrentFolder(gbkFolder);
        if (block.empty()) return true;
        // No line may start past what an entry id (its offset) can hold.
        std::size_t lastLine = block.size() < 2 ? 0 : block.rfind('\n', block.size() - 2) + 1;
        if (out.size() + lastLine > kMaxFileListOffset) tooLarge = true;
        return !tooLarge && out.write(block);
    };
    for (const std::string& root : roots) {
        if (m_stop) return kScanStopped;
        m_linesInRoot = 0;
        bool walked = walk.walk(root, lister, write, m_stop);
        if (m_stop) return kScanStopped;
        if (tooLarge) failRun(m_programFolder, -1, fileListTooLargeText(), indexFailedCaption());
        if (!walked) break;  // a write failed: said below
        ++m_rootsDone;
    }
    if (!out.finish(true)) {
        // The half-written list goes before the message waits for the user,
        // so the disk is not left full meanwhile.
        removeWorkFiles(m_programFolder);
        showMessage(fileListWriteFailedText(), indexFailedCaption());
        return kScanFailed;
    }
    return kScanDone;
}

std::string CFileScanner::currentFolder() const {
    std::lock_guard lock(m_folderMutex);
    return m_currentFolder;
}

void CFileScanner::setCurrentFolder(const std::string& folder) {
    std::lock_guard lock(m_folderMutex);
    m_currentFolder = folder;
}

}  // namespace zeph
