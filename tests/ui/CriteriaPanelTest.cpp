#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <limits>

#include "common/SQLiteDB.h"
#include "common/widgets/ColorTabBar.h"
#include "common/widgets/GbkText.h"
#include "search/engine/SearchEngine.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "search/ui/SizeText.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct SizeCase {
    const char* text;
    std::optional<std::int64_t> bytes;
};

TEST(SizeText, ParsesUnitsAndSaturates) {
    const SizeCase cases[] = {
        {"10K", 10240},
        {"2m", 2097152},
        {"64T", 70368744177664LL},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"0", 0},
        {"5000000000", 5000000000LL},
        {"99999999T", kMax},
        {"99999999999999999999999", kMax},
        {"12KB", 12288},
        {"abc", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(parseSizeText(c.text), c.bytes) << c.text;
}

struct CleanCase {
    const char* typed;
    const char* cleaned;
    bool valid;
};

TEST(SizeText, CleansAndValidatesWhatIsTyped) {
    for (auto c : {CleanCase{"12kb", "12K", true}, CleanCase{"K5", "K5", false},
                   CleanCase{"1K5", "1K5", false}, CleanCase{"64t", "64T", true},
                   CleanCase{"", "", true}, CleanCase{"1 000", "1", true}}) {
        EXPECT_EQ(cleanSizeText(c.typed), c.cleaned) << c.typed;
        EXPECT_EQ(isValidSizeText(cleanSizeText(c.typed)), c.valid) << c.typed;
    }
}

class CriteriaPanel : public UiFixture {
protected:
    void SetUp() override {
        writeFile(tree / "a.txt", "x");
        indexTree();
        results = std::make_unique<ResultPanel>(db);
        panel = std::make_unique<SearchPanel>(db, results.get());
        panel->resize(280, 800);
        panel->show();
    }
    void TearDown() override {
        panel.reset();
        results.reset();
    }
    CSQLiteDB db;
    std::unique_ptr<ResultPanel> results;
    std::unique_ptr<SearchPanel> panel;
};

TEST_F(CriteriaPanel, StartsOnEverythingWithNoBounds) {
    EXPECT_EQ(panel->lookIn()->currentText(), QStringLiteral("我的电脑"));
    EXPECT_EQ(panel->lookIn()->itemText(1), QStringLiteral("/"));
    SearchCriteria c = panel->criteria();
    EXPECT_EQ(c.folder, "");
    EXPECT_EQ(c.timeFrom, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(c.timeTo, kMax);  // a file changed after start is still found
    EXPECT_EQ(c.sizeMin, 0);
    EXPECT_EQ(c.sizeMax, 70368744177664LL);
    EXPECT_EQ(c.typeTab, 0);
    EXPECT_TRUE(std::all_of(c.typeFlags.begin(), c.typeFlags.end(), [](auto f) { return f == 1; }));
}

TEST_F(CriteriaPanel, TimeBoundsAreLocalWholeDaysOfTheChosenKind) {
    TimeSection* time = panel->timeSection();
    time->kindBox()->setCurrentIndex(2);
    time->fromEdit()->setDate(QDate(2010, 3, 3));
    time->toEdit()->setDate(QDate(2010, 3, 4));
    SearchCriteria c = panel->criteria();
    EXPECT_EQ(c.timeKind, 2);
    EXPECT_EQ(c.timeFrom,
              QDateTime(QDate(2010, 3, 3), QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch());
    EXPECT_EQ(c.timeTo,
              QDateTime(QDate(2010, 3, 4), QTime(23, 59, 59), Qt::LocalTime).toSecsSinceEpoch());
}

TEST_F(CriteriaPanel, EmptySizeBoxesMeanNoBound) {
    panel->sizeSection()->minimumEdit()->clear();
    panel->sizeSection()->maximumEdit()->clear();
    SearchCriteria c = panel->criteria();
    EXPECT_EQ(c.sizeMin, 0);
    EXPECT_EQ(c.sizeMax, kMax);
}

TEST_F(CriteriaPanel, TypeTabsTickSuffixesAndResetGoesBackToAllFiles) {
    AdvancedSection* advanced = panel->advancedSection();
    advanced->tabs()->setCurrentIndex(2);  // pictures
    QTreeWidget* list = advanced->suffixList();
    ASSERT_GT(list->topLevelItemCount(), 5);
    for (int i = 1; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    SearchCriteria c = panel->criteria();
    EXPECT_EQ(c.typeTab, 2);
    EXPECT_EQ(std::count(c.typeFlags.begin(), c.typeFlags.end(), 1), 1);
    EXPECT_EQ(c.typeFlags[list->topLevelItem(0)->text(2).toUInt()], 1);
    panel->reset();
    c = panel->criteria();
    EXPECT_EQ(c.typeTab, 0);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("All Files"));
}

TEST_F(CriteriaPanel, OverlongContentIsRefusedBeforeTheSearch) {
    panel->contentBox()->setMaxLength(1000);
    panel->contentBox()->setText(QString(151, QLatin1Char('z')));
    panel->startOrStop();
    EXPECT_FALSE(panel->searching());
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("查询条件过长"));
}

TEST_F(CriteriaPanel, StopThenTheButtonWaitsForTheWorker) {
    panel->nameBox()->setText(QStringLiteral("a"));
    panel->startOrStop();
    EXPECT_EQ(panel->searchButton()->text(), QStringLiteral("停  止"));
    panel->startOrStop();  // stop: no second search until the first has ended
    EXPECT_FALSE(panel->searchButton()->isEnabled() && panel->searching());
    ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
    EXPECT_TRUE(panel->searchButton()->isEnabled());
    EXPECT_EQ(panel->searchButton()->text(), QStringLiteral("搜  索"));
}

}  // namespace
}  // namespace zeph::test
