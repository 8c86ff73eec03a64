// The scanner: walks every folder marked for indexing and writes one line per
// folder and file it meets into tmp/AllFiles.dat.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/Drives.h"
#include "common/Exclusions.h"

namespace zeph {

class CSQLiteDB;

enum ScanResult : int { kScanDone = 0, kScanStopped = -1, kScanFailed = -3, kScanQueryFailed = -4 };

class CFileScanner {
public:
    explicit CFileScanner(std::string programFolder);

    // Reads the roots from the database and walks them all.
    int Scan(CSQLiteDB& db);
    // Walks the given roots (GBK, as stored) into the file list.
    int ScanRoots(const std::vector<std::string>& roots);

    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }

    // How the walk tells which mounted file systems it enters (tests adjust it).
    using FsClassifier = std::function<FsKind(std::string_view fsType)>;
    void setFsClassifier(FsClassifier classify) { m_classify = std::move(classify); }
    // How many threads list folders (0: every core).
    void setThreads(unsigned threads) { m_threads = threads; }

    // Read by the progress display while the scan runs.
    std::string currentFolder() const;
    std::int64_t entryCount() const { return m_entries; }
    int rootsDone() const { return m_rootsDone; }
    int rootsTotal() const { return m_rootsTotal; }
    std::int64_t linesInCurrentRoot() const { return m_linesInRoot; }
    // What the walk keeps out (read from the database by Scan).
    void setExclusions(Exclusions exclusions) { m_exclusions = std::move(exclusions); }

private:
    class Walk;
    void setCurrentFolder(const std::string& folder);

    std::string m_programFolder;
    FsClassifier m_classify = classifyFsType;
    unsigned m_threads = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_entries{0};
    std::atomic<int> m_rootsDone{0};
    std::atomic<int> m_rootsTotal{0};
    std::atomic<std::int64_t> m_linesInRoot{0};
    Exclusions m_exclusions;
    mutable std::mutex m_folderMutex;
    std::string m_currentFolder;
};

}  // namespace zeph
