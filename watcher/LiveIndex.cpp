#include "LiveIndex.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "common/ChangeJournal.h"
#include "common/Codec.h"
#include "common/ConfigCodes.h"
#include "common/IndexLock.h"
#include "common/Paths.h"
#include "common/Preferences.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "common/SystemLog.h"
#include "indexer/IndexRun.h"

namespace zeph {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kLargestBatch = 20'000;  // records written at once however fast they come
constexpr auto kHousekeeping = std::chrono::seconds(2);
constexpr auto kDegradedRuns = std::chrono::hours(1);
constexpr auto kBusyRetry = std::chrono::seconds(30);

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

}  // namespace

LiveIndex::LiveIndex(std::string dataFolder, Options options)
    : m_dataFolder(std::move(dataFolder)),
      m_options(std::move(options)),
      m_watches(m_options.addWatch),
      m_writer(m_dataFolder) {}

LiveIndex::~LiveIndex() {
    if (m_run.joinable()) m_run.join();
}

void LiveIndex::note(std::string text) {
    WriteLog(m_db, kLiveIndexLogType, "实时更新索引：" + text);
}

void LiveIndex::start() {
    openConfigDatabase(m_db, m_dataFolder);
    m_writer.openPublished();
    auto begun = Clock::now();
    watchRoots();
    report("watches set on " + std::to_string(m_watches.count()) + " folders", begun);
    m_lastHousekeeping = m_lastFullRun = Clock::now();
    if (m_options.fullRunAtStart) requestFullRun("监视程序启动，完整更新索引");
}

// Watches every configured root that exists; watches running out are said.
void LiveIndex::watchRoots() {
    m_roots = configuredRoots(m_db);
    m_watches.setRoots(m_roots);
    bool enough = true;
    for (const std::string& root : m_roots)
        if (folderExists(root)) enough = m_watches.watchTree(root) && enough;
    if (!enough && !m_degraded) {
        m_degraded = true;
        note(
            "监视数量达到系统上限（max_user_watches），部分文件夹不能实时更新，将定期完整更新索引");
    }
}

int LiveIndex::run() {
    start();
    while (!m_stop) {
        // Idle, it sleeps until an event or the next housekeeping; with changes
        // pending or a run going, it wakes often enough to write them in time.
        int wait = m_pending.empty() && !m_running && !m_overflowed ? 1000 : 20;
        pollfd watched{m_watches.fd(), POLLIN, 0};
        if (::poll(&watched, 1, wait) > 0 && (watched.revents & POLLIN)) readEvents();
        if (m_overflowed.exchange(false)) handleEvent(-1, IN_Q_OVERFLOW, {});
        auto now = Clock::now();
        if (!m_pending.empty() &&
            (now - m_firstPending >= m_options.batchPause || m_pending.size() >= kLargestBatch))
            flush();
        if (m_runEnded) finishFullRun();
        if (now - m_lastHousekeeping >= kHousekeeping) {
            m_lastHousekeeping = now;
            if (shouldEnd()) break;
            housekeeping();
        }
    }
    flush();
    if (m_run.joinable()) m_run.join();
    return 0;
}

// One buffer of events a turn, so a storm of them never holds up the batches.
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
    if (!folder) return;
    if (name.empty()) {
        if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) && m_watches.isRoot(wd))
            requestFullRun("索引文件夹 " + *folder + " 已不存在，完整更新索引");
        return;
    }
    auto gbkName = toGbk(name);
    if (name[0] == '.' || !gbkName || breaksFileListLine(*gbkName)) return;  // as the walk does
    std::string path = joinPath(*folder, *gbkName);
    if (m_pending.empty()) m_firstPending = Clock::now();

    if (mask & (IN_DELETE | IN_MOVED_FROM)) {
        if (mask & IN_ISDIR) m_watches.forgetTree(path);
        m_pending.push_back({Pending::Removed, {}, path});
        m_pendingChange.clear();  // later states must follow the removal
        return;
    }
    auto changed = m_pendingChange.find(path);
    if (changed == m_pendingChange.end()) {
        m_pendingChange[path] = m_pending.size();
        m_pending.push_back({Pending::Changed, *folder, *gbkName});
    }
    if ((mask & IN_ISDIR) && (mask & (IN_CREATE | IN_MOVED_TO))) {
        // A folder that appears is walked: files can be in it before its watch is.
        bool enough = m_watches.watchTree(
            path, [this](const std::string& in, std::string_view entry, const EntryState& state) {
                Pending added{Pending::Added, {}, {}};
                journal::appendAdded(added.text, state.isFolder, entry, in, state.size,
                                     state.times);
                m_pending.push_back(std::move(added));
            });
        if (!enough && !m_degraded) {
            m_degraded = true;
            requestFullRun(
                "监视数量达到系统上限（max_user_watches），部分文件夹不能实时更新，"
                "完整更新索引");
        }
    }
}

// Writes the pending changes as one batch; a changed entry is read now, so
// its record holds its latest state.
void LiveIndex::flush() {
    std::string records, openFolder;
    std::int64_t count = 0;
    UniqueFd folderFd;
    for (const Pending& item : m_pending) {
        if (item.kind == Pending::Added) {
            records += item.text;
        } else if (item.kind == Pending::Removed) {
            journal::appendRemoved(records, item.text);
        } else {
            if (item.folder != openFolder || !folderFd.valid()) {
                openFolder = item.folder;
                folderFd = openDeep(osPath(openFolder), O_PATH | O_DIRECTORY);
            }
            auto state = folderFd.valid()
                             ? readEntryState(folderFd.get(), osPath(item.text).c_str())
                             : std::nullopt;
            if (!state) continue;  // gone again: its removal is on its way
            journal::appendAdded(records, state->isFolder, item.text, item.folder, state->size,
                                 state->times);
        }
        ++count;
    }
    m_pending.clear();
    m_pendingChange.clear();
    m_writer.append(records, count);
    if (m_writer.records() > kCompactAt) requestFullRun("变更记录超过 100000 条，完整更新索引");
}

void LiveIndex::housekeeping() {
    m_writer.adoptIfNewer();  // another program published an index
    std::vector<std::string> roots = configuredRoots(m_db);
    bool rootsChanged = roots != m_roots;
    bool rootReturned = false;
    for (const std::string& root : roots)
        rootReturned = rootReturned || (folderExists(root) && !m_watches.watchesFolder(root));
    if (rootsChanged || rootReturned) {
        for (const std::string& root : m_roots) m_watches.forgetTree(root);
        watchRoots();
        requestFullRun(rootsChanged ? "索引文件夹的设置已改变，完整更新索引"
                                    : "索引文件夹重新出现，完整更新索引");
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
    if (!m_running && interval && std::time(nullptr) > std::atoll(rows[0][1].c_str()) + *interval)
        requestFullRun("索引已到更新时间，完整更新索引");
    else if (m_degraded && Clock::now() - m_lastFullRun > kDegradedRuns)
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
        m_busy = run.run() == IndexRun::Outcome::Busy;
        m_runEnded = true;
    });
}

void LiveIndex::finishFullRun() {
    m_run.join();
    m_running = false;
    m_runEnded = false;
    m_lastFullRun = Clock::now();
    if (m_busy) {
        // Another program builds the index: its generation is adopted when it is
        // published, and the run is tried again later.
        m_retryAt = Clock::now() + kBusyRetry;
        m_runAgain = true;
    } else {
        ++m_runsDone;
        report("full run done", m_runStarted);
    }
    if (m_runAgain && Clock::now() >= m_retryAt) {
        m_runAgain = false;
        startFullRun();
    }
}

}  // namespace zeph
