#include "FileTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/FileIO.h"

namespace zeph {

namespace {

// Copies the bytes; a failed read is told from a failed write by sourceFailed.
bool copyBytes(int in, int out, bool& sourceFailed) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        sourceFailed = got < 0;
        if (got < 0) return false;
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            ssize_t n = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += n;
        }
    }
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// A temporary name beside the target; a dot-name, so a walk never lists it.
std::string temporaryBeside(const std::string& to) {
    std::string folder = folderOf(to);
    size_t slash = to.rfind('/');
    std::string name = slash == std::string::npos ? to : to.substr(slash + 1);
    return (folder == "/" ? "" : folder) + "/." + name + ".part-XXXXXX";
}

TransferResult failed(TransferResult::Side side) {
    return {errno != 0 ? errno : EIO, side, false};
}

// Whether the entry could be removed from its folder: the folder writable
// and, when sticky, the entry or the folder ours (or we are root).
bool removable(const std::string& path, const struct stat& entry) {
    std::string folder = folderOf(path);
    struct stat st;
    if (::access(folder.c_str(), W_OK | X_OK) != 0 || ::stat(folder.c_str(), &st) != 0)
        return false;
    const uid_t me = ::geteuid();
    if ((st.st_mode & S_ISVTX) && me != 0 && entry.st_uid != me && st.st_uid != me) {
        errno = EPERM;
        return false;
    }
    return true;
}

}  // namespace

TransferResult copyReplacing(const std::string& from, const std::string& to) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in.valid() || ::fstat(in.get(), &st) != 0) return failed(TransferResult::Side::Source);
    if (!S_ISREG(st.st_mode)) return sourceFailed(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    std::string temporary = temporaryBeside(to);
    UniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid()) return failed(TransferResult::Side::Target);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    bool readFailed = false;
    bool written = copyBytes(in.get(), out.get(), readFailed) &&
                   ::fchmod(out.get(), st.st_mode & 07777) == 0 &&
                   ::futimens(out.get(), times) == 0 && ::fsync(out.get()) == 0;
    int error = errno;
    written = out.close() && written;
    if (written && ::rename(temporary.c_str(), to.c_str()) == 0) return {};
    if (written) error = errno;
    ::unlink(temporary.c_str());
    return {error != 0 ? error : EIO,
            readFailed ? TransferResult::Side::Source : TransferResult::Side::Target, false};
}

TransferResult moveReplacing(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return {};
    struct stat st;
    if (errno != EXDEV) {
        // A rename needs the source there and both folders writable.
        int error = errno;
        bool sourceFault = ::lstat(from.c_str(), &st) != 0 ||
                           ((error == EACCES || error == EPERM || error == EROFS) &&
                            ::access(folderOf(from).c_str(), W_OK | X_OK) != 0);
        return {error, sourceFault ? TransferResult::Side::Source : TransferResult::Side::Target,
                false};
    }
    if (::lstat(from.c_str(), &st) != 0) return failed(TransferResult::Side::Source);
    if (!removable(from, st)) return failed(TransferResult::Side::Source);
    if (TransferResult copied = copyReplacing(from, to); !copied) return copied;
    if (::unlink(from.c_str()) != 0) return {errno, TransferResult::Side::Source, true};
    return {};
}

}  // namespace zeph
