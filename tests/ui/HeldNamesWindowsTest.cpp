// The windows act on files whose names are not UTF-8 by their real bytes:
// opened, moved, moved to the trash, shown in properties; the first start
// asks which folders to index; the settings keep exclusions and the hidden
// switch.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QUrl>

#include <filesystem>

#include "common/ContentSettings.h"
#include "common/Exclusions.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/GbkText.h"
#include "search/ui/ExclusionsDialog.h"
#include "search/ui/FileActions.h"
#include "search/ui/FirstRunDialog.h"
#include "search/ui/SettingsDialog.h"
#include "tests/ui/UiFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class HeldNamesWindows : public UiFixture {
protected:
    void SetUp() override {
        openConfigDatabase(db, program.str());
        raw = std::string("\xBC\xBE\xB6\xC8\xB1\xA8\xB8\xE6.txt");  // 季度报告.txt in GBK bytes
        writeFile(tree / raw, "report");
        shown = QString::fromStdString(tree.str()) + QStringLiteral("/季度报告.txt");
    }
    CSQLiteDB db;
    std::string raw;
    QString shown;  // the path as the windows show it
};

TEST_F(HeldNamesWindows, ARawGbkFileIsOpenedMovedAndTrashedByItsBytes) {
    // An opener that notes the address it was handed.
    TempFolder bin;
    const std::string noted = (bin / "noted").string();
    // Written aside and renamed, so the file is whole once it exists.
    writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted + ".part' && mv '" +
                                   noted + ".part' '" + noted + "'\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.str()) + ":" + path);
    FileActions::openFiles({shown});
    ASSERT_TRUE(waitFor([&] { return fs::exists(noted); }));
    qputenv("PATH", path);
    EXPECT_EQ(readFile(noted),
              "file://" +
                  QUrl::toPercentEncoding(QString::fromStdString(tree.str()), "/").toStdString() +
                  "/%BC%BE%B6%C8%B1%A8%B8%E6.txt");
    EXPECT_TRUE(messages.shown.empty());

    fs::create_directories(tree / "to");
    EXPECT_EQ(FileActions::moveFiles({shown}, QString::fromStdString((tree / "to").string())), 1);
    EXPECT_EQ(readFile(tree / "to" / raw), "report");  // the same bytes, in the new folder
    EXPECT_FALSE(fs::exists(tree / raw));

    TempFolder data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.str()));
    FileActions::trash(QString::fromStdString((tree / "to").string()) +
                       QStringLiteral("/季度报告.txt"));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(messages.shown.empty()) << toQString(messages.shown.back().text).toStdString();
    EXPECT_EQ(readFile(data / "Trash" / "files" / raw), "report");
    EXPECT_NE(readFile(data / "Trash" / "info" / (raw + ".trashinfo")).find("%BC%BE"),
              std::string::npos);
}

TEST_F(HeldNamesWindows, TheFirstStartOffersHomeAndRootWithRootChosen) {
    FirstRunDialog dialog;
    ASSERT_EQ(dialog.folderList()->count(), 2);
    EXPECT_EQ(dialog.chosenFolders(), QStringList{QStringLiteral("/")});
    grabToFile(&dialog, QStringLiteral("first-run"));
    dialog.folderList()->item(1)->setCheckState(Qt::Unchecked);  // "/"
    dialog.folderList()->item(0)->setCheckState(Qt::Checked);    // home
    dialog.addFolder(QString::fromStdString(tree.str()), true);
    QStringList chosen = dialog.chosenFolders();
    ASSERT_TRUE(FirstRunDialog::storeFolders(db, chosen));
    std::vector<Row> rows;
    db.QueryRows("select FolderName from ScanConfig", rows);
    ASSERT_EQ(rows.size(), static_cast<size_t>(chosen.size()));
    EXPECT_EQ(toQString(rows[0][0]), QDir::homePath());
    // Documents are read in the home folder and in the chosen folder beside it.
    EXPECT_EQ(readContentSettings(db).folders,
              (std::vector<std::string>{toGbk(QDir::homePath()), tree.str()}));
    EXPECT_TRUE(dialog.contentNote()->text().contains(QString::fromStdString(tree.str())));
    // Ticking "/" too keeps "/" alone: everything else lies inside it; its
    // documents are read in the home folder only, which no stored folder says.
    dialog.folderList()->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(dialog.chosenFolders(), QStringList{QStringLiteral("/")});
    EXPECT_EQ(dialog.contentFolders(), QStringList{QDir::homePath()});
    ASSERT_TRUE(FirstRunDialog::storeFolders(db, dialog.chosenFolders()));
    EXPECT_TRUE(readContentSettings(db).folders.empty());
    // A system folder's documents are not the user's.
    dialog.folderList()->item(1)->setCheckState(Qt::Unchecked);
    dialog.addFolder(QStringLiteral("/usr/share"), true);
    EXPECT_FALSE(dialog.contentFolders().contains(QStringLiteral("/usr/share")));
}

TEST_F(HeldNamesWindows, SettingsKeepExclusionsAndTheHiddenAndPinyinSwitches) {
    {
        ExclusionsDialog dialog(db);
        dialog.addFolder(QString::fromStdString(tree.str()) + QStringLiteral("/"));
        dialog.addName(QStringLiteral(" node_modules "));
        dialog.addName(QStringLiteral("*.tmp"));
        dialog.show();
        grabToFile(&dialog, QStringLiteral("exclusions"));
        dialog.accept();
    }
    Exclusions stored = Exclusions::read(db);
    EXPECT_EQ(stored.folders(), std::vector<std::string>{tree.str()});
    EXPECT_EQ(stored.names(), (std::vector<std::string>{"node_modules", "*.tmp"}));
    EXPECT_TRUE(stored.excludes("/anywhere", "node_modules"));
    EXPECT_FALSE(stored.excludes("/anywhere", "node_modules2"));
    EXPECT_TRUE(stored.excludes("/anywhere", "a.TMP"));

    EXPECT_FALSE(readPreference(db, Preference::ShowHidden));
    SettingsDialog settings(db);
    auto boxes = settings.findChildren<QCheckBox*>();
    auto hidden = std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* box) {
        return box->text() == QStringLiteral("显示隐藏文件");
    });
    ASSERT_NE(hidden, boxes.end());
    (*hidden)->setChecked(true);
    auto pinyin = std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* box) {
        return box->text() == QStringLiteral("拼音搜索");
    });
    ASSERT_NE(pinyin, boxes.end());
    EXPECT_TRUE((*pinyin)->isChecked());  // on unless the user turns it off
    (*pinyin)->setChecked(false);
    settings.show();
    grabToFile(&settings, QStringLiteral("settings"));
    settings.accept();
    EXPECT_TRUE(readPreference(db, Preference::ShowHidden));
    EXPECT_FALSE(readPreference(db, Preference::Pinyin));
}

}  // namespace
}  // namespace zeph::test
