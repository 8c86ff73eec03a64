// Publishing the three index files as one unit. Each run's files go into a
// fresh generation folder beside index/, and index/ is a symbolic link switched
// to it by one rename: a reader that opens index/ sees all three files of one
// run, whatever moment a crash, kill or full disk strikes.
#pragma once

#include <string>

namespace zeph {

inline constexpr char kIndexLinkName[] = "index";
inline constexpr char kGenerationPrefix[] = "index.gen-";

// Moves tmp/AllFiles.dat, tmp/MetaIndex.idx and tmp/IndexData.idx (already
// synced) into a new generation, switches index/ to it and removes older
// generations. False when anything failed; index/ then still shows the
// previous run.
bool publishIndex(const std::string& programFolder);

// Removes generation folders that index/ does not point to (left by a run that
// was killed while publishing).
void removeStaleGenerations(const std::string& programFolder);

}  // namespace zeph
