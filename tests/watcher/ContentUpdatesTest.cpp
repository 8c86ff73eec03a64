// The watcher keeps the content index live: a document saved is found by its
// words a moment later, its old words no more; an unreadable one is logged.
#include "common/ContentSettings.h"
#include "tests/content/Documents.h"
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
        options.extractor = std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-extract";
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

}  // namespace
}  // namespace zeph::test
