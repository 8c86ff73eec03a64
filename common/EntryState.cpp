#include "EntryState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace zeph {

namespace {

std::int64_t creationTime(const struct statx& st) {
    if ((st.stx_mask & STATX_BTIME) && st.stx_btime.tv_sec != 0) return st.stx_btime.tv_sec;
    return st.stx_ctime.tv_sec;
}

}  // namespace

std::optional<EntryState> readEntryState(int dirFd, const char* osName) {
    struct statx st;
    const unsigned mask =
        STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;
    if (::statx(dirFd, osName, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) != 0)
        return std::nullopt;
    EntryState state;
    state.isFolder = S_ISDIR(st.stx_mode);
    state.isRegular = S_ISREG(st.stx_mode);
    state.size = state.isFolder ? 0 : static_cast<std::int64_t>(st.stx_size);
    state.times = {creationTime(st), st.stx_mtime.tv_sec, st.stx_atime.tv_sec};
    state.device = makedev(st.stx_dev_major, st.stx_dev_minor);
    return state;
}

}  // namespace zeph
