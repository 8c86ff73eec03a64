// A content index that could not be read whole answers no search: the user is
// told why (and a line goes to the system log), and may have it made anew.
#pragma once

#include <string>

namespace zeph {

class CSQLiteDB;

// why: the store's own words (GBK). Asks whether to rebuild it; on Yes the
// next writer (the watcher within seconds, else the next index run) makes it
// anew, and searches read the files themselves meanwhile.
void reportContentStoreFailure(CSQLiteDB& config, const std::string& dataFolder,
                               const std::string& why);

}  // namespace zeph
