// Faults across the programs: the indexer killed at any moment, a full disk
// while building, and two programs writing the database at once.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "common/IndexFormat.h"
#include "common/SystemLog.h"
#include "search/engine/IndexDirectory.h"
#include "search/engine/ResultStore.h"
#include "search/engine/SearchEngine.h"
#include "tests/indexer/IndexerFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class Faults : public IndexerFixture {
protected:
    void SetUp() override {
        IndexerFixture::SetUp();
        for (int i = 0; i < 2000; ++i)
            writeFile(
                tree / ("dir" + std::to_string(i % 40)) / ("file_" + std::to_string(i) + ".txt"),
                "x");
        setRoots({treePath()});
    }

    // Runs the indexer in a child process; returns its wait status.
    int runInChild(const std::function<void()>& before = {}, int killAfterMicroseconds = -1) {
        pid_t child = fork();
        if (child == 0) {
            // The child never returns into the test: a fatal end leaves with its code.
            try {
                if (before) before();
                CSQLiteDB childDb;
                openConfigDatabase(childDb, program.str());
                IndexRun run(childDb, program.str());
                _exit(run.run() == IndexRun::Outcome::Published ? 0 : 3);
            } catch (const ProcessExit& exit) {
                _exit(exit.code & 0xFF);
            } catch (...) {
                _exit(99);
            }
        }
        if (killAfterMicroseconds >= 0) {
            usleep(static_cast<useconds_t>(killAfterMicroseconds));
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    // A complete index: it loads, and every posting of the letter buckets starts a line.
    void expectCompleteIndex(const std::string& when) {
        IndexDirectory index;
        ASSERT_EQ(index.load(program.str()), IndexDirectory::LoadResult::Loaded) << when;
        std::string list = published("AllFiles.dat");
        std::vector<std::uint32_t> postings;
        for (std::uint32_t key = 'a'; key <= 'z'; ++key) {
            ASSERT_TRUE(index.readPostings(index::characterSlot(key), postings)) << when;
            for (std::uint32_t id : postings)
                ASSERT_TRUE(id == 0 || list.at(id - 1) == '\n') << when;
        }
    }
};

TEST_F(Faults, KillingTheIndexerAtAnyMomentLeavesACompleteIndex) {
    ASSERT_EQ(runInChild(), 0);
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        writeFile(tree / "dir0" / ("new_" + std::to_string(round) + ".txt"), "x");
        runInChild({}, static_cast<int>(random() % 60000));
        expectCompleteIndex("round " + std::to_string(round));
    }
}

TEST_F(Faults, AFullDiskWhileBuildingLeavesThePreviousIndexAndSaysSo) {
    ASSERT_EQ(runInChild(), 0);
    std::string list = published("AllFiles.dat"), postings = published("IndexData.idx");
    std::string recorded = lastIndexTime();
    writeFile(tree / "dir1" / "one_more.txt", "x");
    // Files may grow only so far: first the file list cannot be written, then
    // (with a limit between the two sizes) the postings cannot. The limit's
    // signal does not end the run without a word: the write fails and says so.
    // The message waits for the user: the work files are gone before it shows.
    class SpeaksOnceCleanedUp : public ScriptedMessages {
    public:
        explicit SpeaksOnceCleanedUp(fs::path tmp) : m_tmp(std::move(tmp)) {}
        void show(const std::string& text, const std::string& caption) override {
            for (const char* name : {"AllFiles.dat", "MetaIndex.idx", "IndexData.idx"})
                if (fs::exists(m_tmp / name)) _exit(77);
            ScriptedMessages::show(text, caption);
        }

    private:
        fs::path m_tmp;
    };
    for (rlim_t limit : {rlim_t{8192}, static_cast<rlim_t>(list.size() + 4096)}) {
        int status = runInChild([&, limit] {
            static SpeaksOnceCleanedUp speaker(program / "tmp");
            rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
        });
        ASSERT_TRUE(WIFEXITED(status)) << "limit " << limit << ": signal " << WTERMSIG(status);
        EXPECT_NE(WEXITSTATUS(status), 0) << "limit " << limit;  // failed, and said so
        EXPECT_NE(WEXITSTATUS(status), 77) << "limit " << limit << ": spoke before cleaning up";
        EXPECT_EQ(published("AllFiles.dat"), list);
        EXPECT_EQ(published("IndexData.idx"), postings);
        EXPECT_EQ(lastIndexTime(), recorded);
        // Its work files are gone, so the disk is not left full.
        for (const char* name : {"AllFiles.dat", "MetaIndex.idx", "IndexData.idx"})
            EXPECT_FALSE(fs::exists(program / "tmp" / name)) << "limit " << limit << " " << name;
    }
}

// The search program stores results while another program writes the log.
class RecordingView : public ResultView {
public:
    void addFirstPageRow(int, const ResultRow&) override {}
    void setHits(std::int64_t count) override { hits = count; }
    void showNoResults(const std::string&) override { hits = 0; }
    std::int64_t hits = 0;
};

TEST_F(Faults, TwoProgramsWritingAtOnceLoseNoRow) {
    ASSERT_EQ(runInChild(), 0);
    db.Execute("update SystemSetting set UpdateFrequency=4");
    constexpr int kLogRows = 400;
    pid_t writer = fork();
    if (writer == 0) {
        CSQLiteDB other;
        openConfigDatabase(other, program.str());
        int failures = 0;
        for (int i = 0; i < kLogRows; ++i) failures += WriteLog(other, LogEvent::Help) != 0;
        _exit(failures == 0 ? 0 : 1);
    }
    CSQLiteDB searchDb;
    CSearchEngine engine(searchDb, program.str(), 0);
    SearchCriteria criteria;
    criteria.name = "file";
    criteria.typeFlags.assign(engine.typeFlagCount(), 1);
    for (int round = 0; round < 5; ++round) {
        RecordingView view;
        ASSERT_EQ(engine.Search(criteria, &view), kSearchDone);
        std::int64_t paged = 0;
        for (std::int64_t first = 0;; first += 100) {
            auto page = readResultPage(searchDb, first);
            paged += static_cast<std::int64_t>(page.size());
            if (page.size() < 100) break;
        }
        EXPECT_EQ(paged, view.hits);
        EXPECT_GE(view.hits, 2000);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::vector<Row> rows;
    db.QueryRows("select count(*) from Log", rows);
    EXPECT_EQ(rows[0][0], std::to_string(kLogRows));
}

}  // namespace
}  // namespace zeph::test
