#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/DataFolder.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

struct ChoiceCase {
    bool writable;
    const char* explicitFolder;
    const char* xdg;
    const char* home;
    const char* folder;
    bool separate;
};

TEST(DataFolder, WritableProgramFolderKeepsItsDataElseTheUsersOwn) {
    const ChoiceCase cases[] = {
        {true, "", "", "/home/u", "/opt/zeph", false},
        {false, "", "", "/home/u", "/home/u/.local/share/zeph-search", true},
        {false, "", "/data/xdg", "/home/u", "/data/xdg/zeph-search", true},
        {true, "/srv/zeph-data/", "", "/home/u", "/srv/zeph-data", true},
        {false, "", "", "", "/tmp/.local/share/zeph-search", true},
    };
    for (const auto& c : cases) {
        DataFolderChoice choice =
            chooseDataFolder("/opt/zeph", c.writable, c.explicitFolder, c.xdg, c.home);
        EXPECT_EQ(choice.folder, c.folder);
        EXPECT_EQ(choice.separate, c.separate);
    }
}

TEST(DataFolder, ASeparateFolderIsPreparedOnceAndKeepsTheUsersDatabase) {
    test::ProgramFolder program;
    test::TempFolder data;
    std::string folder = (data / "mine").string();
    setenv("ZEPH_DATA_DIR", folder.c_str(), 1);
    auto prepared = prepareDataFolder(program.str());
    ASSERT_EQ(prepared, folder);
    for (const char* sub : {"index", "tmp", "ext", "ZephConfig.sqlite"})
        EXPECT_TRUE(std::filesystem::exists(data / "mine" / sub)) << sub;
    {
        CSQLiteDB db;
        openConfigDatabase(db, folder);
        db.Execute("insert into ScanConfig(ifScan,FolderName) values(1,'/mine')");
    }
    ASSERT_EQ(prepareDataFolder(program.str()), folder);  // a second start copies nothing over it
    CSQLiteDB db;
    openConfigDatabase(db, folder);
    std::vector<Row> rows;
    db.QueryRows("select FolderName from ScanConfig", rows);
    EXPECT_EQ(rows, (std::vector<Row>{{"/mine"}}));
    unsetenv("ZEPH_DATA_DIR");
    EXPECT_EQ(prepareDataFolder(program.str()),
              program.str());  // writable: the program folder itself
    test::writeFile(program / kInstalledMarker, "");
    setenv("XDG_DATA_HOME", data.str().c_str(), 1);
    EXPECT_EQ(prepareDataFolder(program.str()),
              (data / "zeph-search").string());  // an installation: the user's own
    unsetenv("XDG_DATA_HOME");
}

TEST(DataFolder, WithoutADatabaseToCopyNothingIsMade) {
    test::TempFolder program, data;
    std::string folder = (data / "mine").string();
    setenv("ZEPH_DATA_DIR", folder.c_str(), 1);
    EXPECT_EQ(prepareDataFolder(program.str()), std::nullopt);
    unsetenv("ZEPH_DATA_DIR");
    EXPECT_FALSE(std::filesystem::exists(data / "mine"));
}

}  // namespace
}  // namespace zeph
