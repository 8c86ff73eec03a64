#include "IndexDirectory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>

#include "common/Codec.h"
#include "common/IndexGeneration.h"
#include "common/IndexManifest.h"
#include "common/Paths.h"

namespace zeph {

namespace {

// Opens an index file without blocking (a FIFO put in its place must not hang
// the program); anything but a regular file counts as missing.
UniqueFd openIn(int folderFd, const char* name) {
    UniqueFd fd(::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    struct stat st;
    if (fd.valid() && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))) return UniqueFd();
    return fd;
}

std::uint64_t sizeOf(const UniqueFd& fd) {
    struct stat st;
    return ::fstat(fd.get(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool readAll(int fd, void* buffer, size_t size, std::uint64_t offset) {
    return readAt(fd, buffer, size, offset) == size;
}

std::optional<index::Manifest> readManifest(int folderFd) {
    UniqueFd fd = openIn(folderFd, index::kManifestName);
    std::uint64_t size = fd.valid() ? sizeOf(fd) : 0;
    if (size == 0 || size > 4096) return std::nullopt;
    std::string text(size, '\0');
    if (!readAll(fd.get(), text.data(), text.size(), 0)) return std::nullopt;
    return index::parseManifest(text);
}

}  // namespace

IndexDirectory::LoadResult IndexDirectory::load(const std::string& programFolder) {
    m_generation = publishedGeneration(programFolder);
    m_folder = openPath(joinPath(programFolder, "index"), O_RDONLY | O_DIRECTORY);
    const UniqueFd& folder = m_folder;
    if (!folder.valid()) return LoadResult::NoPostings;
    m_postings = openIn(folder.get(), index::kIndexDataName);
    if (!m_postings.valid()) return LoadResult::NoPostings;
    UniqueFd meta = openIn(folder.get(), index::kMetaIndexName);
    if (!meta.valid()) return LoadResult::NoDirectory;

    if (sizeOf(meta) != index::kMetaIndexSize) return LoadResult::Invalid;
    m_meta = MappedFile(meta.get());
    if (!m_meta.mapped()) return LoadResult::Invalid;
    m_postingsSize = sizeOf(m_postings);
    for (std::uint32_t slot = 0; slot < index::kTotalBuckets; ++slot) {
        index::BucketEntry entry = bucket(slot);
        if (std::uint64_t{entry.offset} + std::uint64_t{entry.count} * 4 > m_postingsSize)
            return LoadResult::Invalid;
    }

    UniqueFd fileList = openIn(folder.get(), index::kFileListName);
    if (!fileList.valid()) return LoadResult::NoFileList;
    const std::uint64_t fileListSize = sizeOf(fileList);
    m_fileList = MappedFile(fileList.get());
    if (fileListSize > 0 && !m_fileList.mapped()) return LoadResult::NoFileList;

    // A file cut short or replaced since publishing: never answered in part.
    auto manifest = readManifest(folder.get());
    if (!manifest || !manifest->sizesEqual({fileListSize, sizeOf(meta), m_postingsSize, 0}))
        return LoadResult::Damaged;
    return LoadResult::Loaded;
}

bool IndexDirectory::readPostings(std::uint32_t slot, std::vector<std::uint32_t>& out) const {
    const index::BucketEntry entry = bucket(slot);
    out.resize(entry.count);
    if (entry.count == 0) return true;
    if (!readAll(m_postings.get(), out.data(), out.size() * 4, entry.offset)) return false;
    if constexpr (std::endian::native != std::endian::little) {
        for (auto& id : out) id = index::loadLE32(reinterpret_cast<const unsigned char*>(&id));
    }
    return true;
}

std::optional<std::string_view> IndexDirectory::line(std::uint32_t entryId) const {
    std::string_view list = m_fileList.bytes();
    if (entryId >= list.size()) return std::nullopt;
    std::string_view rest = list.substr(entryId);
    return rest.substr(0, rest.find('\n'));
}

}  // namespace zeph
