// Rules for what the settings store: folders to index (no folder twice, by
// whole path components) and suffixes (normalised as both programs look them up).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zeph {

struct FolderConflict {
    enum Kind { InsideConfigured, ContainsConfigured } kind;
    std::string configured;  // the folder already stored
};

// The folder as stored: no trailing '/', except "/" itself.
std::string storedFolderName(const std::string& chosen);

// Whether a chosen folder would be indexed twice: it lies inside a configured
// folder, or contains one (or is the same). The first conflict in list order.
std::optional<FolderConflict> findFolderConflict(const std::vector<std::string>& configured,
                                                 const std::string& chosen);

// A suffix as typed, made the form a file's suffix is looked up by: one
// leading dot removed, 'A'-'Z' lower-cased. nullopt when it is empty or holds
// '/', '.', white space or control bytes.
std::optional<std::string> normaliseSuffix(const std::string& typed);

}  // namespace zeph
