// Moving and copying a file onto a path that may already hold one, without
// ever losing either: the new file is written under a temporary name in the
// target's folder and renamed over the target only once it is complete.
// Paths are in the system's encoding.
#pragma once

#include <string>

namespace zeph {

// How a transfer ended: error is the system's error number of what failed
// (0 when all went well).
struct TransferResult {
    enum class Side { Source, Target };
    int error = 0;
    // Which side failed: reading the source, or writing into the target's folder.
    Side side = Side::Target;
    // A move across file systems copied the file, but the original could not
    // be removed afterwards: both exist.
    bool copiedOnly = false;
    explicit operator bool() const { return error == 0; }
};

inline TransferResult sourceFailed(int error) {
    return {error, TransferResult::Side::Source};
}

// Copies a regular file, keeping its permission bits and its access and
// modification times. On any failure the target stays as it was.
TransferResult copyReplacing(const std::string& from, const std::string& to);

// Moves a file or folder: one rename within a file system; across file
// systems a regular file is copied as above and the source removed only once
// the target is complete. A source that cannot be removed (its folder
// read-only, say) fails before anything is copied, so the target stays as it
// was; should the removal still fail, copiedOnly says so.
TransferResult moveReplacing(const std::string& from, const std::string& to);

}  // namespace zeph
