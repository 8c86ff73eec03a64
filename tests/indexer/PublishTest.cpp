// Publishing a run's index and keeping runs apart: a failing step leaves the
// previous index whole, each run leaves one generation, one run at a time per
// data folder, and a run that does not publish leaves no work files.
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/IndexFormat.h"
#include "common/IndexLock.h"
#include "common/IndexManifest.h"
#include "indexer/IndexPublisher.h"
#include "tests/indexer/IndexerFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class Publish : public IndexerFixture {
protected:
    // Three work files that carry the same tag, so a mix of runs shows.
    void writeWorkFiles(const std::string& tag) {
        writeFile(program / "tmp" / index::kFileListName, "list " + tag);
        writeFile(program / "tmp" / index::kMetaIndexName, "meta " + tag);
        writeFile(program / "tmp" / index::kIndexDataName, "data " + tag);
    }
    std::string publishedTags() {
        return published(index::kFileListName) + "|" + published(index::kMetaIndexName) + "|" +
               published(index::kIndexDataName);
    }
    std::vector<std::string> generations() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(program.path()))
            if (entry.path().filename().string().starts_with(kGenerationPrefix))
                names.push_back(entry.path().filename().string());
        return names;
    }
    std::string linkTarget() { return fs::read_symlink(program / kIndexLinkName).string(); }
    bool anyWorkFile() {
        for (const char* name : {index::kFileListName, index::kMetaIndexName,
                                 index::kIndexDataName})
            if (fs::exists(program / "tmp" / name)) return true;
        return false;
    }
};

TEST_F(Publish, EachPublishLeavesExactlyTheGenerationInUseWithItsManifest) {
    for (const char* tag : {"one", "two", "three"}) {
        writeWorkFiles(tag);
        ASSERT_TRUE(publishIndex(program.str()));
        EXPECT_EQ(generations(), std::vector<std::string>{linkTarget()}) << tag;
        EXPECT_EQ(publishedTags(), std::string("list ") + tag + "|meta " + tag + "|data " + tag);
        auto manifest = index::parseManifest(published(index::kManifestName));
        ASSERT_TRUE(manifest);
        EXPECT_EQ(manifest->fileList, published(index::kFileListName).size());
        EXPECT_EQ(manifest->indexData, published(index::kIndexDataName).size());
    }
}

TEST_F(Publish, AFailingStepLeavesThePreviousIndexWholeAndNoNewGeneration) {
    writeWorkFiles("old");
    ASSERT_TRUE(publishIndex(program.str()));
    const std::string before = linkTarget();
    for (int failing = 0; failing < 3; ++failing) {
        writeWorkFiles("new");
        int step = 0;
        auto failAtStep = [&](const fs::path& from, const fs::path& to) {
            return step++ != failing && moveIndexFile(from, to);
        };
        EXPECT_FALSE(publishIndex(program.str(), 0, {failAtStep, {}})) << failing;
        EXPECT_EQ(linkTarget(), before) << failing;
        EXPECT_EQ(publishedTags(), "list old|meta old|data old") << failing;
        EXPECT_EQ(generations(), std::vector<std::string>{before}) << failing;
    }
}

// Holds a run inside its scan until the test lets it go on.
class PauseInScan : public RunObserver {
public:
    void stepStarted(int step) override {
        if (step != kStageScanning) return;
        std::unique_lock lock(m_mutex);
        m_paused = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_resumed; });
    }
    void stepFinished(int) override {}
    void statusChanged(const std::string&) override {}
    void waitUntilPaused() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_paused; });
    }
    void resume() {
        std::lock_guard lock(m_mutex);
        m_resumed = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_resumed = false;
};

TEST_F(Publish, OneRunAtATimeAndASecondIsToldSo) {
    writeFile(tree / "first" / "a.txt", "x");
    writeFile(tree / "second" / "b.txt", "x");
    setRoots({treePath("first")});
    EXPECT_FALSE(indexRunInProgress(program.str()));

    IndexRun first(db, program.str());
    PauseInScan pause;
    IndexRun::Outcome firstOutcome{};
    std::thread running([&] { firstOutcome = first.run(&pause); });
    pause.waitUntilPaused();
    EXPECT_TRUE(indexRunInProgress(program.str()));

    // The folders change and a second run starts while the first one scans.
    CSQLiteDB other;
    openConfigDatabase(other, program.str());
    IndexRun second(other, program.str());
    EXPECT_FALSE(second.lock());
    EXPECT_EQ(second.run(), IndexRun::Outcome::Busy);

    pause.resume();
    running.join();
    EXPECT_EQ(firstOutcome, IndexRun::Outcome::Published);
    EXPECT_FALSE(indexRunInProgress(program.str()));
    auto lines = publishedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 6), "_a.txt");
    EXPECT_EQ(runIndexer(), IndexRun::Outcome::Published);  // the lock was let go
}

TEST_F(Publish, ARunThatDoesNotPublishLeavesNoWorkFiles) {
    writeFile(tree / "a.txt", "x");
    setRoots({treePath()});
    struct StopAt : RunObserver {
        IndexRun* run = nullptr;
        int step;
        explicit StopAt(int s) : step(s) {}
        void stepStarted(int s) override {
            if (s == step) run->requestStop();
        }
        void stepFinished(int) override {}
        void statusChanged(const std::string&) override {}
    };
    for (int step : {kStageScanning, kStageBuilding}) {
        IndexRun run(db, program.str());
        StopAt stopper(step);
        stopper.run = &run;
        EXPECT_EQ(run.run(&stopper), IndexRun::Outcome::Stopped);
        EXPECT_FALSE(anyWorkFile()) << step;
    }
    db.Execute("alter table ExtendName rename to Broken");  // the build cannot load its table
    EXPECT_EQ(runIndexer(), IndexRun::Outcome::Failed);
    EXPECT_FALSE(anyWorkFile());
}

}  // namespace
}  // namespace zeph::test
