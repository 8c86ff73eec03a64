// Settings this program adds to the described ones, each a column of the
// settings row: whether the search window searches while the user types,
// whether the index follows the file system live, and whether the words
// inside documents are indexed, whether hidden entries are shown (off
// unless the user turns it on), and whether letters in the name box also
// spell Chinese names by their pinyin. The others are on unless the user
// turns them off; a database from before them gains their columns when opened.
#pragma once

namespace zeph {

class CSQLiteDB;

enum class Preference { SearchAsYouType, LiveIndex, ContentIndex, ShowHidden, Pinyin };

// Adds the columns a database lacks (with their defaults).
void addPreferenceColumns(CSQLiteDB& db);

// The stored value; on when it cannot be read.
bool readPreference(CSQLiteDB& db, Preference preference);
// False when it could not be stored.
bool storePreference(CSQLiteDB& db, Preference preference, bool on);

}  // namespace zeph
