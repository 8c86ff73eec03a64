// One indexer run: the worker's fixed order of stages (reading settings,
// scanning, building, finished), the stop request and the state the progress
// display reads.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "common/IndexLock.h"
#include "indexer/BuildIndex.h"
#include "indexer/FileScanner.h"
#include "indexer/RunProgress.h"

namespace zeph {

class CSQLiteDB;

// The exit code of an indexer started while another run works on its data folder.
inline constexpr int kExitIndexRunning = -5;
// The exit code of a run whose names were published but whose documents could
// not all be stored in the content index (a full disk, a store it may not
// write): they stay queued for the next run.
inline constexpr int kExitContentNotStored = -6;

enum RunStage : int {
    kStageReadingSettings = 0,
    kStageScanning = 1,
    kStageBuilding = 2,
    kStageFinished = 3
};

// What the window shows of the worker's progress. Called on the worker thread.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A step (0 to 3) is under way (arrow marker) or finished (check marker).
    virtual void stepStarted(int step) = 0;
    virtual void stepFinished(int step) = 0;
    virtual void statusChanged(const std::string& gbkText) = 0;
};

class IndexRun {
public:
    // Busy: another run holds the data folder's lock; this one did nothing.
    enum class Outcome { Published, Stopped, Failed, Busy };

    IndexRun(CSQLiteDB& db, std::string programFolder);

    // Takes the data folder's index lock for the whole run; false when another
    // run holds it. run() takes it itself when it was not taken before.
    bool lock();

    // The worker's body. Fatal failures end the process through the message
    // service; every run that does not publish removes its work files.
    Outcome run(RunObserver* observer = nullptr);

    // The user confirmed cancelling: stops whichever stage runs.
    void requestStop();
    // Called with the new generation's folder before it is published.
    void setBeforePublish(std::function<bool(const std::filesystem::path&)> step) {
        m_beforePublish = std::move(step);
    }
    bool stopRequested() const { return m_stopRequested; }

    int stage() const { return m_stage; }
    bool publishing() const { return m_builder.publishing(); }
    const CFileScanner& scanner() const { return m_scanner; }
    // How the walk and the build share out their work (tests adjust them).
    CFileScanner& scanner() { return m_scanner; }
    CBuildIndex& builder() { return m_builder; }
    // The run's state for the progress display, read from any thread.
    RunSnapshot snapshot() const;

private:
    void enterStage(RunStage stage);

    Outcome buildAndPublish();

    CSQLiteDB& m_db;
    std::string m_programFolder;
    IndexLock m_lock;
    std::function<bool(const std::filesystem::path&)> m_beforePublish;
    CFileScanner m_scanner;
    CBuildIndex m_builder;
    RunObserver* m_observer = nullptr;
    std::atomic<int> m_stage{kStageReadingSettings};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<std::chrono::steady_clock::time_point> m_startTime{
        std::chrono::steady_clock::now()};
};

}  // namespace zeph
