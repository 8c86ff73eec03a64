// Moving and copying a file onto a path that may already hold one, without
// ever losing either: the new file is written under a temporary name in the
// target's folder and renamed over the target only once it is complete.
// Paths are in the system's encoding.
#pragma once

#include <string>

namespace zeph {

// Copies a regular file, keeping its permission bits and its access and
// modification times. False (and the target as it was) on any failure.
bool copyReplacing(const std::string& from, const std::string& to);

// Moves a file or folder: one rename within a file system; across file
// systems a regular file is copied as above and the source removed only
// once the target is complete. False (and both as they were) on failure.
bool moveReplacing(const std::string& from, const std::string& to);

}  // namespace zeph
