// Every statement either program sends to the configuration database, in one
// place. Values are filled by sqlFormat (SqlText.h), which quotes them safely.
#pragma once

namespace zeph::sql {

// Suffix table.
inline constexpr char kSelectExtendNamesOrdered[] =
    "select ExtendID,Name,Type,Description from ExtendName order by ExtendID";
inline constexpr char kSelectExtendNames[] =
    "select ExtendID,Name,Type,Description from ExtendName";
inline constexpr char kSelectExtendNamesOfType[] =
    "select ExtendID,Name,Type,Description from ExtendName where Type=%d";
inline constexpr char kSelectSettingsExtendNamesOfType[] =
    "select ExtendID,Name,Description from ExtendName where Type=%d";
inline constexpr char kSelectExtendIdByName[] = "select ExtendID from ExtendName where Name='%s'";
inline constexpr char kInsertExtendName[] =
    "insert into ExtendName(Name,Type,Description) values('%s',%d,'%s')";
inline constexpr char kUpdateExtendName[] =
    "update ExtendName set Name='%s',Description='%s',Type=%d where ExtendID=%s";
inline constexpr char kDeleteExtendName[] = "delete from ExtendName where ExtendID=%s";

// Folders to index.
inline constexpr char kSelectScanFolders[] = "select FolderName from ScanConfig where ifScan=1";
inline constexpr char kSelectScanConfig[] = "select FolderID, ifScan,FolderName from ScanConfig";
inline constexpr char kSelectFolderIdByName[] =
    "select FolderID from ScanConfig where FolderName='%s'";
inline constexpr char kInsertScanFolder[] =
    "insert into ScanConfig(ifScan,FolderName) values(1,'%s')";
inline constexpr char kUpdateScanFolder[] =
    "update ScanConfig set FolderName='%s' where FolderID=%s";
inline constexpr char kUpdateScanFlag[] = "update ScanConfig set ifScan=%d where FolderID=%s";
inline constexpr char kDeleteScanFolder[] = "delete from ScanConfig where FolderID=%s";

// The single settings row.
inline constexpr char kSelectSystemSetting[] =
    "select UpdateFrequency,LastIndexTime,isFirstRun from SystemSetting";
inline constexpr char kUpdateFrequency[] = "update SystemSetting set UpdateFrequency=%d";
inline constexpr char kRecordIndexRun[] = "update SystemSetting set LastIndexTime=%d,isFirstRun=0";

// Settings of this program's own, columns of the settings row (Preferences.h).
inline constexpr char kSettingColumns[] = "pragma table_info(SystemSetting)";
inline constexpr char kAddSearchAsYouType[] =
    "alter table SystemSetting add column SearchAsYouType integer not null default 1";
inline constexpr char kAddLiveIndex[] =
    "alter table SystemSetting add column LiveIndex integer not null default 1";
inline constexpr char kSelectSearchAsYouType[] = "select SearchAsYouType from SystemSetting";
inline constexpr char kSelectLiveIndex[] = "select LiveIndex from SystemSetting";
inline constexpr char kUpdateSearchAsYouType[] = "update SystemSetting set SearchAsYouType=%d";
inline constexpr char kUpdateLiveIndex[] = "update SystemSetting set LiveIndex=%d";
inline constexpr char kAddContentIndex[] =
    "alter table SystemSetting add column ContentIndex integer not null default 1";
inline constexpr char kSelectContentIndex[] = "select ContentIndex from SystemSetting";
inline constexpr char kUpdateContentIndex[] = "update SystemSetting set ContentIndex=%d";

// What is kept out of the index (Exclusions.h).
inline constexpr char kCreateExcludedFolders[] =
    "create table if not exists ExcludedFolders(FolderName text not null unique)";
inline constexpr char kCreateExcludedNames[] =
    "create table if not exists ExcludedNames(Pattern text not null unique)";
inline constexpr char kSelectExcludedFolders[] = "select FolderName from ExcludedFolders";
inline constexpr char kSelectExcludedNames[] = "select Pattern from ExcludedNames";
inline constexpr char kDeleteExcludedFolders[] = "delete from ExcludedFolders";
inline constexpr char kDeleteExcludedNames[] = "delete from ExcludedNames";
inline constexpr char kInsertExcludedFolder[] =
    "insert or ignore into ExcludedFolders values('%s')";
inline constexpr char kInsertExcludedName[] = "insert or ignore into ExcludedNames values('%s')";

// Whether hidden entries are shown (Preferences.h).
inline constexpr char kAddShowHidden[] =
    "alter table SystemSetting add column ShowHidden integer not null default 0";
inline constexpr char kSelectShowHidden[] = "select ShowHidden from SystemSetting";
inline constexpr char kUpdateShowHidden[] = "update SystemSetting set ShowHidden=%d";

// Whether letters in the name box also spell Chinese names (Preferences.h).
inline constexpr char kAddPinyin[] =
    "alter table SystemSetting add column Pinyin integer not null default 1";
inline constexpr char kSelectPinyin[] = "select Pinyin from SystemSetting";
inline constexpr char kUpdatePinyin[] = "update SystemSetting set Pinyin=%d";

// The content index's settings (ContentSettings.h).
inline constexpr char kAddContentMaxFileMB[] =
    "alter table SystemSetting add column ContentMaxFileMB integer not null default 100";
inline constexpr char kSelectContentMaxFileMB[] = "select ContentMaxFileMB from SystemSetting";
inline constexpr char kUpdateContentMaxFileMB[] = "update SystemSetting set ContentMaxFileMB=%d";
inline constexpr char kCreateContentFolders[] =
    "create table if not exists ContentFolders(FolderName text not null unique)";
inline constexpr char kSelectContentFolders[] = "select FolderName from ContentFolders";
inline constexpr char kDeleteContentFolders[] = "delete from ContentFolders";
inline constexpr char kInsertContentFolder[] = "insert or ignore into ContentFolders values('%s')";
inline constexpr char kCreateContentSkippedTypes[] =
    "create table if not exists ContentSkippedTypes(Name text not null unique)";
inline constexpr char kSelectContentSkippedTypes[] = "select Name from ContentSkippedTypes";
inline constexpr char kDeleteContentSkippedTypes[] = "delete from ContentSkippedTypes";
inline constexpr char kInsertContentSkippedType[] =
    "insert or ignore into ContentSkippedTypes values('%s')";

// Result set of the latest search.
inline constexpr char kDeleteSearchResult[] = "delete from SearchResult";
// Prepared once per search; the values are bound in this order.
inline constexpr char kInsertSearchResult[] =
    "insert into SearchResult(ID,FileName,Folder,Size,Type,CreateTime) values(?1,?2,?3,?4,?5,?6)";
inline constexpr char kSelectResultPage[] =
    "select FileName,Folder,Size,Type,CreateTime from SearchResult where ID>=%d order by ID "
    "limit 100";
inline constexpr char kBeginBatch[] = "begin transaction";
inline constexpr char kCommitBatch[] = "commit transaction";
inline constexpr char kRollbackBatch[] = "rollback transaction";

// System log.
inline constexpr char kInsertLog[] =
    "insert into Log(Time,Type,Content) values(datetime('now','localtime'),%d,'%s')";
inline constexpr char kCountLog[] = "select count(*) from Log";
inline constexpr char kSelectFirstLogPage[] =
    "select  LogID,Time,Type,Content from Log limit 0,100";
inline constexpr char kSelectLogPage[] = "select LogID,Time,Type,Content from Log limit %d,100";
inline constexpr char kSelectAllLog[] = "select LogID,Time,Type,Content from Log";
inline constexpr char kDeleteLogRow[] = "delete from Log where LogID=%d";
inline constexpr char kDeleteAllLog[] = "delete from Log";

}  // namespace zeph::sql
