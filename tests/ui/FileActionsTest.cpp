#include <sys/mount.h>

#include <QDir>
#include <QFile>

#include "common/widgets/GbkText.h"
#include "search/ui/FileActions.h"
#include "tests/support/TestMount.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class FileActionsTest : public UiFixture {
protected:
    QString path(const std::string& relative) { return treeFile(relative); }
};

TEST_F(FileActionsTest, MoveAsksBeforeReplacingAndReportsFailures) {
    writeFile(tree / "from" / "a.txt", "new a");
    writeFile(tree / "from" / "b.txt", "new b");
    writeFile(tree / "to" / "a.txt", "old a");
    // a.txt exists there: the scripted answer is No, so it stays; b.txt moves.
    EXPECT_EQ(FileActions::moveFiles({path("from/a.txt"), path("from/b.txt")}, path("to")), 1);
    EXPECT_EQ(readFile(tree / "to" / "a.txt"), "old a");
    EXPECT_EQ(readFile(tree / "to" / "b.txt"), "new b");
    EXPECT_TRUE(QFile::exists(path("from/a.txt")));
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("文件 %1 已经存在，是否覆盖原来文件？").arg(path("to/a.txt")));

    messages.answer(true);
    EXPECT_EQ(FileActions::moveFiles({path("from/a.txt")}, path("to")), 1);
    EXPECT_EQ(readFile(tree / "to" / "a.txt"), "new a");
    EXPECT_FALSE(QFile::exists(path("from/a.txt")));

    // A target folder that does not exist: the failure is said, nothing moves.
    writeFile(tree / "from" / "c.txt", "c");
    EXPECT_EQ(FileActions::moveFiles({path("from/c.txt")}, path("nowhere")), 0);
    EXPECT_TRUE(QFile::exists(path("from/c.txt")));
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("文件操作失败"));
}

TEST_F(FileActionsTest, CopyKeepsTheOriginalAndOverwritesOnlyWhenAllowed) {
    writeFile(tree / "from" / "a.txt", "new");
    writeFile(tree / "to" / "a.txt", "old");
    EXPECT_EQ(FileActions::copyFiles({path("from/a.txt")}, path("to")), 0);
    EXPECT_EQ(readFile(tree / "to" / "a.txt"), "old");
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("文件 %1 已经存在，是否覆盖原来文件?").arg(path("to/a.txt")));
    messages.answer(true);
    EXPECT_EQ(FileActions::copyFiles({path("from/a.txt")}, path("to")), 1);
    EXPECT_EQ(readFile(tree / "to" / "a.txt"), "new");
    EXPECT_EQ(readFile(tree / "from" / "a.txt"), "new");
    EXPECT_EQ(FileActions::copyFiles({path("from/a.txt")}, path("from")),
              0);  // onto itself: nothing
}

TEST_F(FileActionsTest, AReplacementThatFailsKeepsTheFileInTheWay) {
    writeFile(tree / "to" / "a.txt", "old a");
    writeFile(tree / "from" / "a.txt", "new a");
    QString source = path("from/a.txt");
    QFile::remove(source);  // gone between the choice and the transfer
    for (bool moving : {true, false}) {
        messages.answer(true);  // replace it
        EXPECT_EQ(moving ? FileActions::moveFiles({source}, path("to"))
                         : FileActions::copyFiles({source}, path("to")),
                  0);
        EXPECT_EQ(readFile(tree / "to" / "a.txt"), "old a");
        EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("文件操作失败"));
    }
}

TEST_F(FileActionsTest, AMoveOutOfAReadOnlyFolderChangesNothingAndSaysWhy) {
    TestMount source(tree / "readonly", "size=1m");
    if (!source.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    writeFile(tree / "readonly" / "a.txt", "new a");
    ASSERT_EQ(::mount("", (tree / "readonly").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
              0);
    writeFile(tree / "to" / "a.txt", "old a");
    messages.answer(true);  // replace it
    EXPECT_EQ(FileActions::moveFiles({path("readonly/a.txt")}, path("to")), 0);
    EXPECT_EQ(readFile(tree / "to" / "a.txt"), "old a");
    EXPECT_EQ(readFile(tree / "readonly" / "a.txt"), "new a");
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("移动文件 %1 失败！\n源文件 %1：%2")
                  .arg(path("readonly/a.txt"), QString::fromLocal8Bit(std::strerror(EROFS))));
    // A copy into a folder that is not there names the folder, not the file.
    EXPECT_EQ(FileActions::copyFiles({path("readonly/a.txt")}, path("nowhere")), 0);
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("复制文件 %1 失败！\n目标文件夹 %2：%3")
                  .arg(path("readonly/a.txt"), path("nowhere"),
                       QString::fromLocal8Bit(std::strerror(ENOENT))));
}

TEST(FileActionsTrash, TrashFoldersAreRecognised) {
    EXPECT_TRUE(FileActions::isInTrash(QStringLiteral("/home/u/.local/share/Trash/files/a.txt")));
    EXPECT_TRUE(FileActions::isInTrash(QStringLiteral("/media/disk/.Trash-1000/files/a.txt")));
    EXPECT_FALSE(FileActions::isInTrash(QStringLiteral("/home/u/Trash/a.txt")));
}

}  // namespace
}  // namespace zeph::test
