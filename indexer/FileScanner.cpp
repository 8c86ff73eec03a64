#include "FileScanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <string_view>
#include <unordered_map>

#include "common/Codec.h"
#include "common/Drives.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/Statements.h"
#include "indexer/IndexerTexts.h"

namespace zeph {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct PendingFolder {
    std::string osPath;   // UTF-8, for the system
    std::string gbkPath;  // as the file list shows it
    dev_t device;
};

std::int64_t creationTime(const struct statx& st) {
    if ((st.stx_mask & STATX_BTIME) && st.stx_btime.tv_sec != 0) return st.stx_btime.tv_sec;
    return st.stx_ctime.tv_sec;
}

}  // namespace

// One pass over the roots, writing into one file list.
class CFileScanner::Walk {
public:
    Walk(CFileScanner& scanner, BufferedWriter& out) : m_scanner(scanner), m_out(out) {
        for (const Mount& mount : readMountInfo())
            m_mountKinds[makedev(mount.major, mount.minor)] = scanner.m_classify(mount.fsType);
    }

    // Walks one configured folder; kScanStopped on a stop, kScanFailed when a write failed.
    int walkRoot(const std::string& root) {
        std::string gbkRoot = normalizeFolder(root);
        std::string os = osPath(gbkRoot);
        if (os.empty()) return 0;
        m_stack.push_back({os, gbkRoot, 0});
        bool isRoot = true;
        while (!m_stack.empty()) {
            if (m_scanner.m_stop) return kScanStopped;
            PendingFolder folder = std::move(m_stack.back());
            m_stack.pop_back();
            m_scanner.setCurrentFolder(folder.gbkPath);
            int result = listFolder(folder, isRoot);
            if (result != kScanDone) return result;
            isRoot = false;
        }
        return kScanDone;
    }

private:
    int listFolder(PendingFolder& folder, bool isRoot) {
        UniqueFd fd = openDeep(folder.osPath, O_RDONLY | O_DIRECTORY | (isRoot ? 0 : O_NOFOLLOW));
        if (!fd.valid()) return kScanDone;  // cannot be listed: skipped silently
        if (isRoot) {
            struct stat st;
            if (::fstat(fd.get(), &st) != 0) return kScanDone;
            folder.device = st.st_dev;
        }
        int dirFd = fd.get();
        DirHandle dir(fdopendir(fd.release()));
        if (!dir) {
            ::close(dirFd);
            return kScanDone;
        }
        while (dirent* entry = readdir(dir.get())) {
            if (m_scanner.m_stop) return kScanStopped;
            if (m_out.failed()) return kScanFailed;
            const char* name = entry->d_name;
            if (name[0] == '.' || name[0] == '\0') continue;
            ++m_scanner.m_entries;
            listEntry(dirFd, folder, name);
        }
        return kScanDone;
    }

    void listEntry(int dirFd, const PendingFolder& folder, const char* name) {
        auto gbkName = toGbk(name);
        if (!gbkName || breaksFileListLine(*gbkName)) {
            ++m_scanner.m_leftOut;
            return;
        }
        struct statx st;
        unsigned mask =
            STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;
        if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) != 0) return;
        bool isFolder = S_ISDIR(st.stx_mode);
        FileTimes times{creationTime(st), st.stx_mtime.tv_sec, st.stx_atime.tv_sec};
        std::int64_t size = isFolder ? 0 : static_cast<std::int64_t>(st.stx_size);

        if (m_out.size() > kMaxFileListOffset)
            failRun(m_scanner.m_programFolder, -1, fileListTooLargeText(), indexFailedCaption());
        m_line.clear();
        appendFileListLine(m_line, isFolder, *gbkName, folder.gbkPath, size, times);
        m_out.write(m_line);
        ++m_scanner.m_linesInRoot;

        if (isFolder) {
            dev_t device = makedev(st.stx_dev_major, st.stx_dev_minor);
            if (device != folder.device && !shouldEnterMount(device)) return;
            m_stack.push_back(
                {joinPath(folder.osPath, name), joinPath(folder.gbkPath, *gbkName), device});
        }
    }

    // Pseudo and memory file systems are never entered; network and FUSE ones
    // only when configured as a root (a stale mount must not hang the walk).
    bool shouldEnterMount(dev_t device) const {
        auto it = m_mountKinds.find(device);
        return it == m_mountKinds.end() || it->second == FsKind::Real;
    }

    CFileScanner& m_scanner;
    BufferedWriter& m_out;
    std::vector<PendingFolder> m_stack;
    std::unordered_map<dev_t, FsKind> m_mountKinds;
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
    return ScanRoots(roots);
}

int CFileScanner::ScanRoots(const std::vector<std::string>& roots) {
    std::string listPath = tmpFile(m_programFolder, index::kFileListName);
    BufferedWriter out(openPath(listPath, O_WRONLY | O_CREAT | O_TRUNC));
    if (out.failed()) failRun(m_programFolder, -2, "打开文件失败，请与开发商联系!", "打开文件失败");

    m_entries = 0;
    m_rootsDone = 0;
    m_rootsTotal = static_cast<int>(roots.size());
    Walk walk(*this, out);
    for (const std::string& root : roots) {
        if (m_stop) return kScanStopped;
        m_linesInRoot = 0;
        int result = walk.walkRoot(root);
        if (result == kScanStopped) return kScanStopped;
        if (result != kScanDone) break;
        ++m_rootsDone;
    }
    if (!out.finish(true)) {
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
