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

bool copyBytes(int in, int out) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
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

// A temporary name beside the target; a dot-name, so a walk never lists it.
std::string temporaryBeside(const std::string& to) {
    size_t slash = to.rfind('/');
    std::string folder = slash == std::string::npos ? "." : to.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? to : to.substr(slash + 1);
    return (folder == "/" ? "" : folder) + "/." + name + ".part-XXXXXX";
}

}  // namespace

bool copyReplacing(const std::string& from, const std::string& to) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!in.valid() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string temporary = temporaryBeside(to);
    UniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.valid()) return false;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    bool written = copyBytes(in.get(), out.get()) && ::fchmod(out.get(), st.st_mode & 07777) == 0 &&
                   ::futimens(out.get(), times) == 0 && ::fsync(out.get()) == 0;
    written = out.close() && written;
    if (written && ::rename(temporary.c_str(), to.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

bool moveReplacing(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    return copyReplacing(from, to) && ::unlink(from.c_str()) == 0;
}

}  // namespace zeph
