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
#include "indexer/TreeWalk.h"

namespace zeph {

// Writes one file-list line per entry the walk meets.
class CFileScanner::Walk : public TreeWalk::Visitor {
public:
    Walk(CFileScanner& scanner, BufferedWriter& out) : m_scanner(scanner), m_out(out) {}

    bool folder(const std::string& gbkPath, const std::string&, int) override {
        m_scanner.setCurrentFolder(gbkPath);
        return !m_scanner.m_stop;
    }

    bool entry(const std::string& gbkFolder, std::string_view gbkName,
               const EntryState& state) override {
        if (m_scanner.m_stop || m_out.failed()) return false;
        ++m_scanner.m_entries;
        if (m_out.size() > kMaxFileListOffset)
            failRun(m_scanner.m_programFolder, -1, fileListTooLargeText(), indexFailedCaption());
        m_line.clear();
        appendFileListLine(m_line, state.isFolder, gbkName, gbkFolder, state.size, state.times);
        m_out.write(m_line);
        ++m_scanner.m_linesInRoot;
        return true;
    }

private:
    CFileScanner& m_scanner;
    BufferedWriter& m_out;
    std::string m_line;
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
    TreeWalk walk(m_classify);
    walk.setExclusions(m_exclusions);
    Walk writer(*this, out);
    for (const std::string& root : roots) {
        if (m_stop) return kScanStopped;
        m_linesInRoot = 0;
        bool walked = walk.walk(root, writer);
        if (m_stop) return kScanStopped;
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
