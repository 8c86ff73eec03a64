// Starting other programs without waiting for them.
#pragma once

#include <string>
#include <vector>

namespace zeph {

// Starts program (a path, UTF-8) with args in a session of its own and does not
// wait for it. True when the program was started (it exists and could be run).
bool startDetached(const std::string& program, const std::vector<std::string>& args = {});

// Starts the indexer of the given program folder (GBK).
bool startIndexer(const std::string& programFolder);
// Starts the live index's watcher of the given program folder (GBK).
bool startWatcher(const std::string& programFolder);

}  // namespace zeph
