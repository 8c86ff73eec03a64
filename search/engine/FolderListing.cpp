#include "FolderListing.h"

#include <dirent.h>
#include <fcntl.h>

#include <cstring>
#include <memory>
#include <vector>

#include "common/FileIO.h"

namespace zeph {

bool FolderListing::read(int dirFd) {
    m_bytes.clear();
    m_names.clear();
    UniqueFd fd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return false;
    int raw = fd.get();
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd.release()), ::closedir);
    if (!dir) {
        ::close(raw);
        return false;
    }
    std::vector<std::size_t> starts;
    while (dirent* entry = ::readdir(dir.get())) {
        starts.push_back(m_bytes.size());
        m_bytes.append(entry->d_name, std::strlen(entry->d_name) + 1);
    }
    // Views are taken once the buffer no longer moves.
    m_names.reserve(starts.size());
    for (std::size_t start : starts) m_names.insert(std::string_view(m_bytes.c_str() + start));
    return true;
}

}  // namespace zeph
