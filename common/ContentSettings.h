// The content index's settings, kept in the configuration database: whether
// it is on, its folders (none stored: the user's home folder), the suffixes
// left out of it, and the largest file it reads. A database from before them
// gains their tables and columns when opened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

class CSQLiteDB;

struct ContentSettings {
    bool enabled = true;
    std::vector<std::string> folders;       // GBK; empty: the home folder
    std::vector<std::string> skippedTypes;  // suffixes, lower case
    std::int64_t maxFileMB = 100;
};

void addContentSettingTables(CSQLiteDB& db);
ContentSettings readContentSettings(CSQLiteDB& db);
bool storeContentSettings(CSQLiteDB& db, const ContentSettings& settings);

// The folders the index covers (GBK): those stored, else the home folder.
std::vector<std::string> contentFolders(const ContentSettings& settings);

// The root and the folders the system keeps (/usr, /etc, /var, ...): their
// documents are the system's, not the user's.
bool isSystemFolder(std::string_view folder);
// The folders whose documents are read when these folders are indexed: the
// home folder for a folder holding it, a folder inside it, and any other
// folder that is not the system's. Empty when that is the home folder alone,
// which is what no stored folder means.
std::vector<std::string> contentFoldersFor(const std::vector<std::string>& indexed,
                                           const std::string& home);
// The folders a content search over searchFolder ("" for every indexed
// folder) reaches whose documents the index does not read, system folders
// left out: a user is told why no document there is found.
std::vector<std::string> foldersWithoutContent(CSQLiteDB& db, const std::string& searchFolder);

}  // namespace zeph
