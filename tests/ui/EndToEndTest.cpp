// The search program from end to end: a generated tree indexed by the real
// indexer, searched through the criteria panel, checked against the manifest
// the generator wrote.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

#include <cstdlib>
#include <set>

#include "common/Codec.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "indexer/IndexRun.h"
#include "search/engine/ResultStore.h"
#include "search/ui/MainWindow.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class EndToEnd : public UiFixture {
protected:
    void SetUp() override {
        root = tree.str() + "/generated";
        std::string command = "python3 " ZEPH_TEST_GEN_TREE " " + root +
                              " --files 3000 --seed 21 --manifest " + tree.str() +
                              "/manifest.json >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) GTEST_SKIP() << "tree generator not available";
        QFile file(QString::fromStdString(tree.str() + "/manifest.json"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        manifest = QJsonDocument::fromJson(file.readAll()).object();
        CSQLiteDB indexerDb;
        openConfigDatabase(indexerDb, program.str());
        indexerDb.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(root)}));
        IndexRun run(indexerDb, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
        window = std::make_unique<MainWindow>(db);
        window->show();
    }
    void TearDown() override { window.reset(); }

    std::set<std::string> search(const QString& name, const QString& content) {
        SearchPanel* panel = window->searchPanel();
        panel->nameBox()->setText(name);
        panel->contentBox()->setText(content);
        panel->startOrStop();
        EXPECT_TRUE(waitFor([&] { return !panel->searching(); }));
        QCoreApplication::processEvents();
        std::set<std::string> found;
        for (std::int64_t first = 0;; first += 100) {
            auto page = readResultPage(db, first);
            for (const auto& row : page)
                found.insert(row.folder.substr(root.size() + 1) + "/" + row.name);
            if (page.size() < 100) break;
        }
        EXPECT_EQ(static_cast<std::int64_t>(found.size()), window->resultPanel()->hits());
        return found;
    }

    std::string root;
    QJsonObject manifest;
    CSQLiteDB db;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EndToEnd, NameAndContentSearchesFindWhatTheManifestPlanted) {
    int planted =
        manifest["name_terms"].toObject()["xylophonequartz"].toObject()["basename_ci"].toInt();
    EXPECT_EQ(static_cast<int>(search(QStringLiteral("xylophonequartz"), {}).size()), planted);

    // Content: every planted file whose suffix is registered (GBK, UTF-8,
    // UTF-16 and ASCII alike); files without a registered suffix are never read.
    const std::set<std::string> registered = {"txt", "md", "log", "c", "h", "cpp", "py", "html"};
    for (const char* word : {"marmotglyph", "zephyrquill"}) {
        std::set<std::string> expected;
        QJsonObject files = manifest["content"]
                                .toObject()["words"]
                                .toObject()[QString::fromLatin1(word)]
                                .toObject();
        for (auto it = files.begin(); it != files.end(); ++it) {
            std::string path = it.key().toStdString();
            size_t dot = path.rfind('.'), slash = path.rfind('/');
            std::string suffix =
                dot != std::string::npos && dot > slash + 1 ? path.substr(dot + 1) : "";
            for (char& c : suffix)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            bool hidden = path.front() == '.' || path.find("/.") != std::string::npos;
            if (registered.count(suffix) && !hidden)
                expected.insert(*zeph::toGbk(std::string_view(path)));
        }
        if (std::string(word) == "zephyrquill") {
            ASSERT_FALSE(expected.empty());  // planted in a share of all files
        }
        EXPECT_EQ(search({}, QString::fromLatin1(word)), expected) << word;
    }
}

}  // namespace
}  // namespace zeph::test
