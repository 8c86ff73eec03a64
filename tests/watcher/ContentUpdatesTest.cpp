// The watcher keeps the content index live: a document saved is found by its
// words a moment later, its old words no more; an unreadable one is logged.
#include <fstream>
#include <thread>

#include "common/ContentSettings.h"
#include "tests/content/Documents.h"
#include "tests/support/TestMount.h"
#include "tests/watcher/WatcherFixture.h"

namespace zeph::test {
namespace {

class LiveContent : public Watcher {
protected:
    void SetUp() override {
        Watcher::SetUp();
        ContentSettings settings;
        settings.folders = {tree.str()};
        storeContentSettings(db, settings);
    }
    void startWatchingContent() {
        LiveIndex::Options options;
        options.extractor = (std::filesystem::path(ZEPH_TEST_PROGRAM_DIR) / "zeph-extract").string();
        startWatching(options);
    }
    // Documents below the tree holding the text, found through the content index.
    std::vector<std::string> holding(const std::string& text) {
        CSQLiteDB searchDb;
        CSearchEngine engine(searchDb, program.str(), 0);
        SearchCriteria c;
        c.content = text;
        c.folder = tree.str();
        c.typeTab = 1;
        c.typeFlags.assign(engine.typeFlagCount(), 1);
        NoView view;
        engine.Search(c, &view);
        std::vector<std::string> paths;
        for (const ResultRow& row : readResultPage(searchDb, 0))
            paths.push_back(row.folder + "/" + row.name);
        return paths;
    }
};

TEST_F(LiveContent, ASavedDocumentIsFoundByItsNewWords) {
    startWatchingContent();
    const std::string path = (tree / "docs" / "contract.docx").string();
    writeFile(path, documentHolding("docx", utf8(u8"甲方 force majeure")));
    EXPECT_TRUE(eventually([&] { return holding("甲方") == std::vector<std::string>{path}; }));
    writeFile(path, documentHolding("docx", utf8(u8"丙方 only")));
    EXPECT_TRUE(eventually([&] {
        return holding("丙方") == std::vector<std::string>{path} && holding("甲方").empty();
    }));
    writeFile(tree / "docs" / "broken.pptx", "PK\x03\x04 no slides");
    EXPECT_TRUE(eventually([&] { return logged("broken.pptx"); }));
}

// A full disk under the content index: documents saved meanwhile, each under
// a name of its own, are all found once there is room again.
TEST_F(LiveContent, DocumentsSavedWhileTheDiskIsFullAreFoundOnceThereIsRoom) {
    std::string store = readFile(program / "content" / "Content.sqlite");
    TestMount content(program / "content", "size=4m");
    if (!content.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    if (!store.empty()) writeFile(program / "content" / "Content.sqlite", store);
    startWatchingContent();
    {
        std::ofstream filler(program / "content" / "filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    std::vector<std::string> saved;
    for (int i = 0; i < 6; ++i) {
        saved.push_back((tree / "docs" / ("letter" + std::to_string(i) + ".docx")).string());
        writeFile(saved.back(), documentHolding("docx", "quokka letter" + std::to_string(i)));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    EXPECT_TRUE(eventually([&] { return logged("文档内容索引无法写入"); }));
    fs::remove(program / "content" / "filler");
    std::sort(saved.begin(), saved.end());
    EXPECT_TRUE(eventually([&] {
        std::vector<std::string> found = holding("quokka");
        std::sort(found.begin(), found.end());
        return found == saved;
    }));
    EXPECT_TRUE(eventually([&] { return logged("文档内容索引恢复写入"); }));
}

}  // namespace
}  // namespace zeph::test
