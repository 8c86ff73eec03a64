// Starting other programs without waiting for them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zeph {

// Starts program (a path, UTF-8) with args in a session of its own and does not
// wait for it. It gets /dev/null as standard input, output and error and no
// other descriptor of ours; environment holds variables set for it alone.
// True when the program was started (it exists and could be run).
bool startDetached(const std::string& program, const std::vector<std::string>& args = {},
                   const std::vector<std::pair<std::string, std::string>>& environment = {});

// Starts the indexer of the program folder for the data folder in use (both GBK).
bool startIndexer(const std::string& programFolder, const std::string& dataFolder);
// Starts the live index's watcher of the program folder for the data folder
// in use (both GBK).
bool startWatcher(const std::string& programFolder, const std::string& dataFolder);

}  // namespace zeph
