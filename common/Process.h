// Starting other programs without waiting for them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zeph {

// Told how a started program ended: its exit code, or -1 when a signal ended it.
// Called on a thread of its own.
using ProgramEnded = std::function<void(int exitCode)>;

// Starts program (a path, UTF-8; a bare name is looked up on the PATH) with
// args in a session of its own and does not wait for it. It gets /dev/null
// as standard input, output and error and no other descriptor of ours;
// environment holds variables set for it alone. True when the program was
// started (it exists and could be run); ended hears how it ended.
bool startDetached(const std::string& program, const std::vector<std::string>& args = {},
                   const std::vector<std::pair<std::string, std::string>>& environment = {},
                   ProgramEnded ended = {});

// Starts the indexer of the program folder for the data folder in use (both
// GBK), from the search program, which ends meanwhile: when the run ends, the
// indexer starts the search program again.
bool startIndexer(const std::string& programFolder, const std::string& dataFolder);
// Starts the live index's watcher of the program folder for the data folder
// in use (both GBK).
bool startWatcher(const std::string& programFolder, const std::string& dataFolder);

}  // namespace zeph
