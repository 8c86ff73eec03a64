// Publishing the three index files as one unit. Each run's files go into a
// fresh generation folder beside index/, and index/ is a symbolic link switched
// to it by one rename: a reader that opens index/ sees all three files of one
// run, whatever moment a crash, kill or full disk strikes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "common/IndexGeneration.h"

namespace zeph {

// One step of publishing: moves a finished file (already synced) into the new
// generation. Tests put in a step that fails on purpose.
using MoveIndexFile =
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)>;
bool moveIndexFile(const std::filesystem::path& from, const std::filesystem::path& to);

struct PublishSteps {
    MoveIndexFile move = moveIndexFile;
    // Called with the new generation's folder before index/ is switched to it
    // (the watcher puts the generation's journal there); false fails the publish.
    std::function<bool(const std::filesystem::path& generation)> beforeSwitch;
};

// Moves tmp/AllFiles.dat, tmp/MetaIndex.idx and tmp/IndexData.idx into a new
// generation with its manifest (walkStarted: when the run's walk began, in
// nanoseconds since 1970), switches index/ to it and removes older
// generations. False when anything failed; index/ then still shows the
// previous run and no new generation is left behind.
bool publishIndex(const std::string& programFolder, std::uint64_t walkStarted = 0,
                  const PublishSteps& steps = {});

// Removes generation folders that index/ does not point to (left by a run that
// was killed while publishing).
void removeStaleGenerations(const std::string& programFolder);

}  // namespace zeph
