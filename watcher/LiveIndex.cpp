#include "LiveIndex.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/ChangeJournal.h"
#include "common/Codec.h"
#include "common/ConfigCodes.h"
#include "common/EntryNames.h"
#include "common/Exclusions.h"
#include "common/IndexLock.h"
#include "common/Paths.h"
#include "common/Preferences.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "common/SystemLog.h"

namespace zeph {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kLargestBatch = 20'000;  // paths pending before a batch is written at once
constexpr auto kHousekeeping = std::chrono::seconds(2);
constexpr auto kDegradedRuns = std::chrono::hours(1);
constexpr auto kRetryRun = std::chrono::seconds(30);
constexpr auto kRetryWrite = std::chrono::seconds(1);
// Room the data folder needs before a full run owed for dropped records starts.
constexpr std::uint64_t kRoomForRun = 64 << 20;
constexpr int kDrainReads = 16;  // event reads at the end, so a stop stays quick

std::vector<std::string> configuredRoots(CSQLiteDB& db) {
    std::vector<Row> rows;
    std::vector<std::string> roots;
    if (db.QueryRows(sql::kSelectScanFolders, rows) != kSqlOk) return roots;
    for (const Row& row : rows) roots.push_back(normalizeFolder(row[0]));
    return roots;
}

bool folderExists(const std::string& gbkFolder) {
    std::string os = osPath(gbkFolder);
    return !os.empty() && ::access(os.c_str(), F_OK) == 0;
}

std::uint64_t freeBytes(const std::string& gbkFolder) {
    struct statvfs st;
    if (::statvfs(osPath(gbkFolder).c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace

LiveIndex::LiveIndex(std::string dataFolder, Options options)
    : m_dataFolder(std::move(dataFolder)),
      m_options(std::move(options)),
      m_watches(m_options.addWatch),
      m_writer(m_dataFolder, m_options.clock),
      m_content(m_dataFolder, m_options.extractor.empty()
                                  ? osPath(joinPath(executableFolder(), "zeph-extract"))
                                  : m_options.extractor),
      m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

LiveIndex::~LiveIndex() {
    stopFullRun();
    if (m_run.joinable()) m_run.join();
}

void LiveIndex::stop() {
    m_stop = true;
    std::uint64_t one = 1;
    if (m_wake.valid()) (void)!::write(m_wake.get(), &one, sizeof one);
}

void LiveIndex::note(std::string text) {
    WriteLog(m_db, kLiveIndexLogType, "实时更新索引：" + text);
}

void LiveIndex::start() {
    openConfigDatabase(m_db, m_dataFolder);
    m_writer.repaired = [this](std::uint64_t cut) {
        note("变更记录末尾有另一个程序写下的不完整记录（" + std::to_string(cut) +
             " 字节），已删去");
    };
    m_writer.openPublished();
    auto begun = Clock::now();
    watchRoots();
    report("watches set on " + std::to_string(m_watches.count()) + " folders", begun);
    m_lastHousekeeping = m_lastFullRun = Clock::now();
    if (m_options.fullRunAtStart && !m_stop) requestFullRun("监视程序启动，完整更新索引");
    m_content.start();
}

bool LiveIndex::watchTree(const std::string& folder, const Watches::OnEntry& onEntry) {
    if (m_watches.watchTree(folder, onEntry, &m_stop) || m_degraded) return true;
    m_degraded = true;
    return false;
}

// Watches every configured root that exists, remembering which folder each
// root was when watched; watches running out are said.
void LiveIndex::watchRoots() {
    m_roots = configuredRoots(m_db);
    m_watches.setExclusions(Exclusions::read(m_db));
    m_watches.setRoots(m_roots);
    m_rootIds.clear();
    bool enough = true;
    for (const std::string& root : m_roots) {
        m_rootIds[root] = folderIdentity(root);
        if (m_rootIds[root]) enough = watchTree(root) && enough;
    }
    if (!enough)
        note(
            "监视数量达到系统上限（max_user_watches），部分文件夹不能实时更新，将定期完整更新索引");
}

std::optional<LiveIndex::FolderId> LiveIndex::folderIdentity(const std::string& gbkFolder) {
    struct stat st;
    std::string os = osPathOf(gbkFolder);
    if (os.empty() || ::stat(os.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

// A root that is no longer the folder its watches stand for (moved or deleted,
// a folder above it renamed, a new folder made in its place) is watched anew
// and indexed by a full run.
void LiveIndex::checkRoots() {
    for (const std::string& root : m_roots) {
        std::optional<FolderId> now = folderIdentity(root);
        std::optional<FolderId>& watched = m_rootIds[root];
        if (now == watched) continue;
        bool wasThere = watched.has_value();
        watched = now;
        m_watches.forgetTree(root);
        if (!now) {
            requestFullRun("索引文件夹 " + root + " 已不存在，完整更新索引");
            continue;
        }
        if (!watchTree(root))
            note(
                "监视数量达到系统上限（max_user_watches），部分文件夹不能实时更新，"
                "将定期完整更新索引");
        requestFullRun("索引文件夹 " + root +
                       (wasThere ? " 已被移走或替换，完整更新索引" : " 重新出现，完整更新索引"));
    }
}

int LiveIndex::run() {
    start();
    while (!m_stop) {
        // Idle, it sleeps until an event, a stop or the next housekeeping; with
        // changes pending or a run going, it wakes often enough to write them in time.
        bool busy = !m_pending.empty() || !m_unwritten.empty() || m_running || m_overflowed;
        pollfd watched[2] = {{m_watches.fd(), POLLIN, 0}, {m_wake.get(), POLLIN, 0}};
        if (::poll(watched, 2, busy ? 20 : 1000) > 0 && (watched[0].revents & POLLIN)) readEvents();
        if (m_stop) break;
        if (m_overflowed.exchange(false)) handleEvent(-1, IN_Q_OVERFLOW, {});
        auto now = Clock::now();
        if (!m_pending.empty() &&
            (now - m_firstPending >= m_options.batchPause || m_pending.size() >= kLargestBatch))
            flush();
        else if (!m_unwritten.empty() && now >= m_retryWrite)
            flush();
        if (m_runEnded) finishFullRun();
        if (now - m_lastHousekeeping >= kHousekeeping) {
            m_lastHousekeeping = now;
            if (shouldEnd()) break;
            housekeeping();
        }
    }
    // What happened up to the stop still goes into the journal.
    stopFullRun();
    for (int i = 0; i < kDrainReads; ++i) {
        pollfd watched{m_watches.fd(), POLLIN, 0};
        if (::poll(&watched, 1, 0) <= 0) break;
        readEvents();
    }
    flush();
    m_content.stop();
    if (m_run.joinable()) m_run.join();
    return 0;
}

// One buffer of events a turn, so a storm of them never holds up the batches.
// Events only mark what changed; reading states and walking folders waits for
// the batch.
void LiveIndex::readEvents() {
    alignas(inotify_event) char buffer[64 * 1024];
    ssize_t n = ::read(m_watches.fd(), buffer, sizeof buffer);
    for (char* p = buffer; n > 0 && p < buffer + n;) {
        auto* event = reinterpret_cast<inotify_event*>(p);
        handleEvent(event->wd, event->mask, event->len ? std::string_view(event->name) : "");
        p += sizeof(inotify_event) + event->len;
    }
}

void LiveIndex::handleEvent(int wd, std::uint32_t mask, std::string_view name) {
    if (mask & IN_Q_OVERFLOW) {
        // Events were lost: folders made meanwhile may lack their watches.
        watchRoots();
        requestFullRun("事件队列溢出，完整更新索引");
        return;
    }
    if (mask & IN_IGNORED) {
        m_watches.dropped(wd);
        return;
    }
    const std::string* folder = m_watches.folderOf(wd);
    const std::string* osFolder = m_watches.osFolderOf(wd);
    if (!folder || !osFolder) return;
    if (name.empty()) {
        if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) && m_watches.isRoot(wd)) checkRoots();
        return;
    }
    // The walk's own rules: every name held as it holds it, what is excluded left out.
    const std::string gbkName = indexedName(name);
    if (m_watches.exclusions().excludes(*folder, gbkName)) return;
    if (m_pending.empty()) m_firstPending = Clock::now();
    if (mask & (IN_DELETE | IN_MOVED_FROM)) {
        if (mask & IN_ISDIR) m_watches.forgetTree(joinPath(*folder, gbkName));
        m_pending.removed(*folder, gbkName);
    } else {
        m_pending.changed(*folder, gbkName, (mask & IN_ISDIR) && (mask & (IN_CREATE | IN_MOVED_TO)),
                          *osFolder, name);
    }
}

// Writes the pending changes as one batch. Each entry is read now, so its
// record holds its latest state; a folder that appeared is watched and walked
// now (files can be in it before its watch is).
void LiveIndex::flush() {
    std::string records = std::move(m_unwritten);
    std::int64_t count = m_unwrittenCount.load();
    m_unwritten.clear();
    m_unwrittenCount = 0;
    std::int64_t walked = 0;
    auto addWalked = [&](const std::string& in, std::string_view entry, const EntryState& state) {
        if (++walked > kWalkedAtMost) return;
        journal::appendAdded(records, state.isFolder, entry, in, state.size, state.times);
        if (!state.isFolder) m_content.changed(in, entry);
        ++count;
    };
    std::string openFolder;
    UniqueFd folderFd;
    for (const PendingChanges::Change& change : m_pending.take()) {
        m_content.changed(change.folder, change.name);
        if (change.kind == PendingChanges::Change::Removed) {
            journal::appendRemoved(records, joinPath(change.folder, change.name));
            ++count;
            continue;
        }
        if (change.osFolder != openFolder || !folderFd.valid()) {
            openFolder = change.osFolder;
            folderFd = openDeep(openFolder, O_PATH | O_DIRECTORY);
        }
        auto state =
            folderFd.valid() ? readEntryState(folderFd.get(), change.osName.c_str()) : std::nullopt;
        if (!state) continue;  // gone again: its removal is on its way
        journal::appendAdded(records, state->isFolder, change.name, change.folder, state->size,
                             state->times);
        ++count;
        if (change.kind == PendingChanges::Change::Appeared && state->isFolder &&
            !watchTree(joinPath(change.folder, change.name), addWalked))
            requestFullRun(
                "监视数量达到系统上限（max_user_watches），部分文件夹不能实时更新，"
                "完整更新索引");
    }
    m_largestBatch = std::max(m_largestBatch.load(), count);
    write(std::move(records), count);
    if (walked > kWalkedAtMost)
        requestFullRun("新出现的文件夹含有超过 " + std::to_string(kWalkedAtMost) +
                       " 个条目，完整更新索引");
    if (m_writer.records() > kCompactAt && !m_running && !m_runAgain)
        requestFullRun("变更记录超过 100000 条，完整更新索引");
}

// Appends a batch to the journal. A batch that cannot be written (a full
// disk) is kept and written before the next one; past a bound the records
// are dropped and a full run is owed, which starts once there is room.
void LiveIndex::write(std::string records, std::int64_t count) {
    if (records.empty()) return;
    if (m_writer.append(records, count)) {
        if (m_writeFailing) note("变更记录恢复写入");
        m_writeFailing = false;
        return;
    }
    std::string reason = std::strerror(errno);
    if (!m_writeFailing) {
        m_writeFailing = true;
        auto gbkReason = toGbk(reason);
        note("写入变更记录失败（" + (gbkReason ? *gbkReason : reason) + "），稍后重试");
    }
    m_retryWrite = Clock::now() + kRetryWrite;
    if (records.size() <= kUnwrittenAtMost) {
        m_unwritten = std::move(records);
        m_unwrittenCount = count;
    } else if (!m_changesLost) {
        m_changesLost = true;
        note("未能写入的变更记录过多，磁盘有空间后完整更新索引");
    }
}

void LiveIndex::housekeeping() {
    // Another program published an index: journal beside it, compare the documents with it.
    const std::string generation = m_writer.generation();
    m_writer.adoptIfNewer();
    if (m_writer.generation() != generation) m_content.compareAll();
    std::vector<std::string> roots = configuredRoots(m_db);
    if (roots != m_roots || !(Exclusions::read(m_db) == m_watches.exclusions())) {
        for (const std::string& root : m_roots) m_watches.forgetTree(root);
        watchRoots();
        requestFullRun("索引文件夹的设置已改变，完整更新索引");
        return;
    }
    checkRoots();
    if (m_changesLost && !m_running && !m_runAgain && freeBytes(m_dataFolder) >= kRoomForRun) {
        requestFullRun("磁盘有空间了，完整更新索引");
        return;
    }
    if (!m_running && m_runAgain && Clock::now() >= m_retryAt) {
        m_runAgain = false;
        startFullRun();
        return;
    }
    std::vector<Row> rows;
    if (m_db.QueryRows(sql::kSelectSystemSetting, rows) != kSqlOk || rows.empty()) return;
    auto interval = expiryInterval(std::atoi(rows[0][0].c_str()));
    if (!m_running && !m_runAgain && interval &&
        std::time(nullptr) > std::atoll(rows[0][1].c_str()) + *interval)
        requestFullRun("索引已到更新时间，完整更新索引");
    else if (m_degraded && !m_running && Clock::now() - m_lastFullRun > kDegradedRuns)
        requestFullRun("部分文件夹不能实时更新，定期完整更新索引");
}

bool LiveIndex::shouldEnd() {
    // The data folder gone (its lock file with it), or live updates turned off.
    if (::access(osPath(joinPath(m_dataFolder, kIndexLockName)).c_str(), F_OK) != 0 &&
        !folderExists(m_dataFolder))
        return true;
    return !readPreference(m_db, Preference::LiveIndex);
}

void LiveIndex::requestFullRun(const std::string& reason) {
    note(reason);
    if (m_running) {
        m_runAgain = true;
        return;
    }
    startFullRun();
}

void LiveIndex::report(const std::string& what, Clock::time_point since) {
    if (!m_options.report) return;
    auto ms = std::chrono::duration<double, std::milli>(Clock::now() - since).count();
    m_options.report(what + " in " + std::to_string(static_cast<long long>(ms)) + " ms");
}

void LiveIndex::startFullRun() {
    if (m_stop) return;
    m_runStarted = Clock::now();
    m_running = true;
    m_runEnded = false;
    m_run = std::thread([this] {
        CSQLiteDB db;
        openConfigDatabase(db, m_dataFolder);
        IndexRun run(db, m_dataFolder);
        // The new generation's journal holds what came since its walk began.
        run.setBeforePublish(
            [this](const std::filesystem::path& generation) { return m_writer.adopt(generation); });
        {
            std::lock_guard lock(m_runMutex);
            m_currentRun = &run;
        }
        if (m_stop) run.requestStop();
        IndexRun::Outcome outcome = run.run();
        {
            std::lock_guard lock(m_runMutex);
            m_currentRun = nullptr;
        }
        m_outcome = outcome;
        m_runEnded = true;
    });
}

void LiveIndex::stopFullRun() {
    std::lock_guard lock(m_runMutex);
    if (m_currentRun) m_currentRun->requestStop();
}

void LiveIndex::finishFullRun() {
    m_run.join();
    m_running = false;
    m_runEnded = false;
    m_lastFullRun = Clock::now();
    switch (m_outcome.load()) {
        case IndexRun::Outcome::Published:
            ++m_runsDone;
            m_changesLost = false;
            m_content.compareAll();
            report("full run done", m_runStarted);
            break;
        case IndexRun::Outcome::Busy:
            // Another program builds the index: its generation is adopted when
            // it is published, and the run is tried again later.
            m_retryAt = Clock::now() + kRetryRun;
            m_runAgain = true;
            break;
        case IndexRun::Outcome::Failed:
            note("完整更新索引失败，稍后重试");
            m_retryAt = Clock::now() + kRetryRun;
            m_runAgain = true;
            break;
        case IndexRun::Outcome::Stopped:
            break;
    }
    if (m_runAgain && Clock::now() >= m_retryAt) {
        m_runAgain = false;
        startFullRun();
    }
}

}  // namespace zeph
