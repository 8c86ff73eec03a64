// Moving a file or folder to the user's trash the way freedesktop.org desktops
// keep it (files/ and info/*.trashinfo), by its bytes on disk: for names that are not UTF-8, which
// the desktop's own trash call cannot name. The home trash only; an entry on
// another file system than the home folder's is refused (EXDEV).
#pragma once

#include <string>

namespace zeph {

// 0 when it was moved, else the system's error number.
int moveToTrash(const std::string& osPath);

}  // namespace zeph
