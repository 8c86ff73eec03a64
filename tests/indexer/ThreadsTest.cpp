// The indexer's worker as the window drives it: the run on a thread of its
// own, its state read from another thread while it works, and a stop at any
// moment. Run under ThreadSanitizer by the sanitizer part of the test command.
#include <random>
#include <thread>

#include "indexer/RunProgress.h"
#include "search/engine/IndexDirectory.h"
#include "tests/indexer/IndexerFixture.h"

namespace zeph::test {
namespace {

class Threads : public IndexerFixture {};

TEST_F(Threads, ARunReadAndStoppedFromAnotherThreadEndsCleanly) {
    for (int i = 0; i < 300; ++i)
        writeFile(tree / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ".txt"), "x");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        IndexRun run(db, program.str());
        IndexRun::Outcome outcome{};
        std::thread worker([&] { outcome = run.run(); });
        const int stopAfter = static_cast<int>(random() % 400);
        int percent = 0;
        for (int poll = 0; run.stage() != kStageFinished; ++poll) {
            RunSnapshot snapshot = run.snapshot();
            percent = progressPercent(snapshot, percent);
            progressStatusText(snapshot);
            if (poll == stopAfter) run.requestStop();
            std::this_thread::yield();
        }
        worker.join();
        ASSERT_TRUE(outcome == IndexRun::Outcome::Published ||
                    outcome == IndexRun::Outcome::Stopped)
            << round;
        IndexDirectory index;
        EXPECT_EQ(index.load(program.str()), IndexDirectory::LoadResult::Loaded) << round;
    }
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace zeph::test
