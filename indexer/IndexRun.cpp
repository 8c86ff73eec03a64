#include "IndexRun.h"

#include <malloc.h>
#include <signal.h>

#include "indexer/IndexPublisher.h"
#include "indexer/IndexerTexts.h"

namespace zeph {

IndexRun::IndexRun(CSQLiteDB& db, std::string programFolder)
    : m_db(db),
      m_programFolder(std::move(programFolder)),
      m_scanner(m_programFolder),
      m_builder(m_programFolder) {}

void IndexRun::requestStop() {
    m_stopRequested = true;
    m_scanner.requestStop();
    m_builder.requestStop();
}

void IndexRun::enterStage(RunStage stage) {
    m_stage = stage;
    if (m_observer && stage > kStageReadingSettings) {
        m_observer->stepFinished(stage - 1);
        m_observer->stepStarted(stage);
    }
}

RunSnapshot IndexRun::snapshot() const {
    RunSnapshot s;
    s.stage = m_stage;
    s.rootsDone = m_scanner.rootsDone();
    s.rootsTotal = m_scanner.rootsTotal();
    s.linesInRoot = m_scanner.linesInCurrentRoot();
    s.entries = m_scanner.entryCount();
    s.currentFolder = m_scanner.currentFolder();
    s.elapsedSeconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - m_startTime.load())
                           .count();
    return s;
}

bool IndexRun::lock() {
    if (m_lock.state() != IndexLock::State::Held) m_lock = IndexLock::acquire(m_programFolder);
    return !m_lock.busy();
}

IndexRun::Outcome IndexRun::run(RunObserver* observer) {
    m_observer = observer;
    if (!lock()) return Outcome::Busy;
    // Past a file-size limit a write then fails with EFBIG and takes the
    // write-failure path with its message, instead of the signal ending the
    // process without a word.
    ::signal(SIGXFSZ, SIG_IGN);
    Outcome outcome = buildAndPublish();
    if (outcome != Outcome::Published) removeWorkFiles(m_programFolder);
    m_lock.release();
    return outcome;
}

IndexRun::Outcome IndexRun::buildAndPublish() {
    if (m_observer) m_observer->stepStarted(0);
    enterStage(kStageReadingSettings);
    m_startTime = std::chrono::steady_clock::now();
    if (m_observer) m_observer->statusChanged("正在读取系统配置...");
    removeStaleGenerations(m_programFolder);

    enterStage(kStageScanning);
    // The walk's start goes with the generation: a change seen after it may be
    // missing from the generation, one seen before it is in.
    auto walkStarted =
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count());
    m_builder.setPublishing(walkStarted, {moveIndexFile, m_beforePublish});
    // Only a complete scan is built and published: a stopped or failed scan
    // leaves index/ and the settings row as they were.
    int scanned = m_scanner.Scan(m_db);

    enterStage(kStageBuilding);
    // The walk's threads leave freed blocks in their own heaps; handing them
    // back keeps the walk's peak and the build's from adding up.
    ::malloc_trim(0);
    Outcome outcome = Outcome::Failed;
    if (scanned == kScanStopped) {
        outcome = Outcome::Stopped;
    } else if (scanned == kScanDone && m_builder.Load(m_db) == 0) {
        outcome = m_builder.Build(m_db) == 0 ? Outcome::Published : Outcome::Stopped;
    }
    if (outcome != Outcome::Published && m_stopRequested) outcome = Outcome::Stopped;

    enterStage(kStageFinished);
    return outcome;
}

}  // namespace zeph
