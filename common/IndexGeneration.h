// Where the published index lives in a data folder: index/ is a symbolic link
// to the generation folder (index.gen-<nanoseconds>-<pid>) of the last run
// that published. The indexer switches it, the engine reads through it, the
// watcher writes the journal beside it.
#pragma once

#include <string>

namespace zeph {

inline constexpr char kIndexLinkName[] = "index";
inline constexpr char kGenerationPrefix[] = "index.gen-";

// The generation index/ points to in the data folder (GBK), or "" when index/
// is not such a link (no index published yet).
std::string publishedGeneration(const std::string& dataFolder);

}  // namespace zeph
