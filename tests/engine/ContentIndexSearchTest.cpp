// Content search answered from the content index equals a scan of the same
// files: plain-text files read as always, documents by their extracted text;
// files the index has not read yet are read as always; the index's own
// candidates are filtered by every other criterion.
#include <filesystem>
#include <random>

#include "common/ChangeJournal.h"
#include "common/Codec.h"
#include "common/ContentSettings.h"
#include "common/Preferences.h"
#include "content/ContentContext.h"
#include "content/ContentIndexer.h"
#include "tests/content/Documents.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

const std::string kWorker = std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-extract";

class ContentIndexSearch : public EngineFixture {
protected:
    void SetUp() override {
        CSQLiteDB config;
        openConfigDatabase(config, program.str());
        ContentSettings settings;
        settings.folders = {tree.str()};
        storeContentSettings(config, settings);
    }
    // Names, then the content index brought up to date.
    void indexAll(std::vector<std::string> roots = {}) {
        indexAndLoad(std::move(roots));
        CSQLiteDB config;
        openConfigDatabase(config, program.str());
        content::ContentIndexer indexer(program.str(), content::ContentScope::read(config), kWorker,
                                        2);
        std::atomic<bool> stop{false};
        ASSERT_TRUE(indexer.compare(stop));
        ASSERT_TRUE(indexer.extractPending(stop));
    }
    std::vector<std::string> content(const std::string& text, int typeTab = 1,
                                     const std::string& folder = "") {
        SearchCriteria c = criteria();
        c.content = text;
        c.typeTab = typeTab;
        c.folder = folder;
        if (typeTab == 1) {  // the text tab: only suffixes of type 1
            std::vector<Row> rows;
            db.QueryRows("select ExtendID, Type from ExtendName", rows);
            std::fill(c.typeFlags.begin(), c.typeFlags.end(), 0);
            for (const Row& row : rows)
                if (row[1] == "1") c.typeFlags[std::stoul(row[0])] = 1;
        }
        auto paths = search(c);
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    void contentIndexOn(bool on) { storePreference(db, Preference::ContentIndex, on); }
};

using Paths = std::vector<std::string>;

TEST_F(ContentIndexSearch, IndexAnswersEqualTheScanForTextAndTheExtractedTextForDocuments) {
    // Plain text in each encoding, with the words at every kind of place.
    const std::vector<std::string> words = {"蓝鲸", "鲸", "force majeure", "majeure", "xq"};
    std::mt19937 random(7);
    const std::vector<std::string> fill = {"甲方", "乙方", "force ", "majeure ", "蓝",
                                           "鲸数", "x",    "q",      "\n"};
    for (int i = 0; i < 60; ++i) {
        std::string text;
        for (int k = 0; k < 12; ++k) text += fill[random() % fill.size()];
        std::string utf8 = *toUtf8(text);
        std::string bytes = i % 3 == 0 ? text : utf8;  // GBK or UTF-8
        writeFile(tree / ("t" + std::to_string(i) + (i % 2 ? ".txt" : ".md")), bytes);
    }
    writeFile(tree / "contract.docx", documentHolding("docx", *toUtf8("蓝鲸 force majeure")));
    writeFile(tree / "slides.pptx", documentHolding("pptx", *toUtf8("鲸 and more")));
    writeFile(tree / "page.html", documentHolding("html", "force majeure"));
    indexAll();
    for (const std::string& word : words) {
        // The scan reads documents' bytes, which hold no words (or their
        // markup too): only the plain-text files compare.
        auto textFiles = [](std::vector<std::string> paths) {
            std::erase_if(paths, [](const std::string& path) {
                return !path.ends_with(".txt") && !path.ends_with(".md");
            });
            return paths;
        };
        for (const std::string& folder : {std::string(), tree.str()}) {
            std::vector<std::string> indexed = textFiles(content(word, 1, folder));
            contentIndexOn(false);
            std::vector<std::string> scanned = textFiles(content(word, 1, folder));
            contentIndexOn(true);
            EXPECT_EQ(indexed, scanned) << word << " in [" << folder << "]";
            EXPECT_FALSE(scanned.empty() && word != "xq") << word;
        }
    }
    std::vector<std::string> documents;
    for (const std::string& path : content("majeure"))
        if (!path.ends_with(".txt") && !path.ends_with(".md")) documents.push_back(path);
    EXPECT_EQ(documents, (Paths{at("contract.docx"), at("page.html")}));
    documents.clear();
    for (const std::string& path : content("鲸"))
        if (!path.ends_with(".txt") && !path.ends_with(".md")) documents.push_back(path);
    EXPECT_EQ(documents, (Paths{at("contract.docx"), at("slides.pptx")}));
}

TEST_F(ContentIndexSearch, FilesNotReadYetAreReadAsBeforeAndOtherCriteriaStillHold) {
    writeFile(tree / "a" / "first.txt", "the word zephyrquill");
    writeFile(tree / "b" / "second.docx", documentHolding("docx", "zephyrquill again"));
    indexAll();
    EXPECT_EQ(content("zephyrquill"), (Paths{at("a/first.txt"), at("b/second.docx")}));
    EXPECT_EQ(content("zephyrquill", 1, tree.str() + "/b"), Paths{at("b/second.docx")});
    // Changed since it was read: pending, so read as before, never from its old text.
    writeFile(tree / "a" / "first.txt", "no longer");
    {
        auto store = content::ContentStore::open(program.str(), false);
        store->addPending(tree.str() + "/a", "first.txt");
    }
    // A document too: its old text no longer answers.
    writeFile(tree / "b" / "second.docx", documentHolding("docx", "something else entirely"));
    {
        auto store = content::ContentStore::open(program.str(), false);
        store->addPending(tree.str() + "/b", "second.docx");
    }
    EXPECT_EQ(content("zephyrquill", 1, tree.str() + "/b"), Paths{});
    writeFile(tree / "b" / "second.docx", documentHolding("docx", "zephyrquill again"));
    indexAll();
    writeFile(tree / "a" / "third.txt", "zephyrquill too");
    {
        auto store = content::ContentStore::open(program.str(), false);
        store->addPending(tree.str() + "/a", "third.txt");
    }
    // Looking in the index's folder, the index brings its files and the pending ones.
    for (int tab : {0, 1})
        EXPECT_EQ(content("zephyrquill", tab, tree.str()),
                  (Paths{at("a/third.txt"), at("b/second.docx")}));
    // Everywhere, when the name index lists no file outside the index's folders, the same.
    EXPECT_EQ(content("zephyrquill"), (Paths{at("a/third.txt"), at("b/second.docx")}));
}

// A search anywhere is answered by the content index when every file the
// names list lies in its folders, and by a walk of the names when some lie
// elsewhere; either way, and wherever it looks, a file the live index saw
// since the names were indexed is searched too (one of a kind the index does
// not read, by reading it).
TEST_F(ContentIndexSearch, EverySearchSeesWhatTheLiveIndexAdded) {
    writeFile(tree / "report.docx", documentHolding("docx", "marmotine"));
    TempFolder elsewhere;
    writeFile(elsewhere / "notes.txt", "marmotine outside the index's folders");
    for (bool beside : {false, true}) {
        indexAll(beside ? std::vector<std::string>{tree.str(), elsewhere.str()}
                        : std::vector<std::string>{});
        writeFile(tree / "later.tmp", "marmotine in a file of a kind the index does not read");
        const fs::path journalPath = fs::canonical(program / "index") / journal::kJournalName;
        std::string records = fs::exists(journalPath) ? readFile(journalPath) : std::string();
        journal::appendAdded(records, false, "later.tmp", tree.str(), 60, {10, 20, 30});
        writeFile(journalPath, records);
        Paths inTree = {at("later.tmp"), at("report.docx")};
        Paths everywhere = inTree;
        if (beside) everywhere.push_back((elsewhere / "notes.txt").string());
        std::sort(everywhere.begin(), everywhere.end());
        EXPECT_EQ(content("marmotine", 0), everywhere) << beside;
        EXPECT_EQ(content("marmotine", 0, tree.str()), inTree) << beside;
        fs::remove(tree / "later.tmp");
    }
}

// An index run publishes new names before the content index is compared with
// them: searches meanwhile answer as the comparison will, never from a
// half-compared store (all hits lost), never from a changed file's old text.
TEST_F(ContentIndexSearch, ANewNameIndexNotYetComparedStillAnswersRight) {
    for (int i = 0; i < 20; ++i)
        writeFile(tree / ("report" + std::to_string(i) + ".docx"),
                  documentHolding("docx", "wombatite " + std::to_string(i)));
    indexAll();
    std::vector<std::string> all = content("wombatite");
    ASSERT_EQ(all.size(), 20u);
    indexAndLoad();  // names only: the store was compared with the generation before
    EXPECT_EQ(content("wombatite"), all);
    EXPECT_EQ(content("wombatite", 1, tree.str()), all);
    // A document changed since the comparison is read as before, not answered from its old text.
    writeFile(tree / "report3.docx", documentHolding("docx", "changed and longer than before"));
    indexAndLoad();
    std::erase(all, at("report3.docx"));
    EXPECT_EQ(content("wombatite"), all);
}

// Every candidate of the index's keys is confirmed against its text: the keys
// of 甲方乙 are all in "甲方 方乙", the word is not.
TEST_F(ContentIndexSearch, ACandidateHoldingTheKeysButNotTheWordIsNoHit) {
    writeFile(tree / "split.docx", documentHolding("docx", *toUtf8("甲方 方乙")));
    writeFile(tree / "whole.docx", documentHolding("docx", *toUtf8("甲方乙")));
    indexAll();
    EXPECT_EQ(content("甲方乙"), Paths{at("whole.docx")});
    EXPECT_EQ(content("方乙"), (Paths{at("split.docx"), at("whole.docx")}));
}

// Content search follows the case option, in documents answered from the
// index as in text files: off (the default), either case; on, as typed.
TEST_F(ContentIndexSearch, ContentFollowsTheCaseOption) {
    writeFile(tree / "guide.docx", documentHolding("docx", "Build it on macOS"));
    writeFile(tree / "notes.txt", "Configure the build");
    indexAll();
    EXPECT_EQ(content("macos", 0), Paths{at("guide.docx")});
    EXPECT_EQ(content("CONFIGURE", 0), Paths{at("notes.txt")});
    SearchCriteria c = criteria();
    c.caseSensitive = true;
    c.content = "macos";
    EXPECT_TRUE(search(c).empty());
    c.content = "macOS";
    EXPECT_EQ(search(c), Paths{at("guide.docx")});
    c.content = "configure";
    EXPECT_TRUE(search(c).empty());
    // A text of a single key too, which the index answers for without case only.
    c.content = "BUI";
    EXPECT_TRUE(search(c).empty());
    c.content = "Bui";
    EXPECT_EQ(search(c), Paths{at("guide.docx")});
}

// A word reads as a reader sees it: letters beyond ASCII in either case,
// ligatures and full-width letters as the letters they stand for, and a word
// a hyphen breaks at a line's end whole as well as printed.
TEST_F(ContentIndexSearch, WordsAreComparedAsAReaderReadsThem) {
    writeFile(tree / "school.docx", documentHolding("docx", utf8(u8"L'ÉCOLE ΣΟΦΙΑ")));
    writeFile(tree / "ligature.docx", documentHolding("docx", utf8(u8"the ﬁle conﬁguration")));
    writeFile(tree / "wide.docx", documentHolding("docx", utf8(u8"ｆｕｌｌ ｗｉｄｔｈ")));
    writeFile(tree / "manual.pdf", documentHolding("pdf", "Debian pack-\nages and Jean-\nPierre"));
    indexAll();
    EXPECT_EQ(content(*toGbk(utf8(u8"école")), 0), Paths{at("school.docx")});
    EXPECT_EQ(content(*toGbk(utf8(u8"σοφια")), 0), Paths{at("school.docx")});
    EXPECT_EQ(content("configuration", 0), Paths{at("ligature.docx")});
    EXPECT_EQ(content("FULL WIDTH", 0), Paths{at("wide.docx")});
    EXPECT_EQ(content("packages", 0), Paths{at("manual.pdf")});
    EXPECT_EQ(content("pack-", 0), Paths{at("manual.pdf")});
    EXPECT_TRUE(content("JeanPierre", 0).empty());  // a capital starts a name of its own
    SearchCriteria c = criteria();
    c.caseSensitive = true;
    for (const std::string& word : {*toGbk(utf8(u8"école")), std::string("Packages"), std::string("FULL")}) {
        c.content = word;
        EXPECT_TRUE(search(c).empty()) << word;
    }
    c.content = *toGbk(utf8(u8"ÉCOLE"));
    EXPECT_EQ(search(c), Paths{at("school.docx")});
    c.content = "file";
    EXPECT_EQ(search(c), Paths{at("ligature.docx")});
    auto snippet = content::contextOf(program.str(), tree.str(), "ligature.docx", "configuration");
    ASSERT_TRUE(snippet);
    EXPECT_EQ(snippet->match, utf8(u8"conﬁguration"));  // shown as it stands
}

// Nothing cut silently: a word past the text the index keeps of a file, and a
// file past the size limit, are still found (the file is read as before).
TEST_F(ContentIndexSearch, WordsPastTheCapAndFilesPastTheLimitAreFound) {
    {
        CSQLiteDB config;
        openConfigDatabase(config, program.str());
        ContentSettings settings = readContentSettings(config);
        settings.maxFileMB = 20;
        storeContentSettings(config, settings);
    }
    std::string filler(17u << 20, 'a');
    for (size_t at = 1000; at < filler.size(); at += 1000) filler[at] = ' ';
    writeFile(tree / "long.txt", filler + " wallabyte at the end");
    writeFile(tree / "huge.log", std::string(21u << 20, ' ') + "wallabyte");
    writeFile(tree / "short.txt", "wallabyte early");
    indexAll();
    EXPECT_EQ(content("wallabyte", 0), (Paths{at("huge.log"), at("long.txt"), at("short.txt")}));
    EXPECT_EQ(content("wallabyte", 1, tree.str()),
              (Paths{at("huge.log"), at("long.txt"), at("short.txt")}));
}

// Every kind the index reads is searched: XHTML pages and templates, and a
// document kind whose suffix the user's suffix table lacks.
TEST_F(ContentIndexSearch, TemplatesXhtmlAndUnlistedDocumentKindsAreSearched) {
    writeFile(tree / "letter.dotx", documentHolding("docx", "numbat template"));
    writeFile(tree / "sheet.xltx", documentHolding("xlsx", "numbat sheet"));
    writeFile(tree / "text.ott", documentHolding("odt", "numbat open"));
    writeFile(tree / "page.xhtml", documentHolding("html", "numbat page"));
    writeFile(tree / "page.xht", documentHolding("html", "numbat short"));
    db.Execute("delete from ExtendName where Name in ('xht', 'ott')");  // an older table
    indexAll();
    EXPECT_EQ(content("numbat", 0),
              (Paths{at("letter.dotx"), at("page.xht"), at("page.xhtml"), at("sheet.xltx"),
                     at("text.ott")}));
}

}  // namespace
}  // namespace zeph::test
