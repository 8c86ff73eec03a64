// What the index records of one entry, read from the file system without
// following a link: kind, size and the three times (creation: the birth time
// where the file system keeps one, else the status change time).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

#include "common/FileList.h"

namespace zeph {

struct EntryState {
    bool isFolder = false;
    bool isRegular = false;
    std::int64_t size = 0;  // 0 for a folder
    FileTimes times;
    dev_t device = 0;
};

// The state of the entry osName in the open folder dirFd (AT_FDCWD for a full path).
std::optional<EntryState> readEntryState(int dirFd, const char* osName);

}  // namespace zeph
