// Index files of any content: loading validates them, and every posting and
// line read stays inside the files. The input holds the first records of
// MetaIndex.idx (the rest are empty), then IndexData.idx, then AllFiles.dat;
// a first byte of 0xFF writes the records unpadded, to try the size check.
// The manifest states the sizes written, so loading goes past its check.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/IndexFormat.h"
#include "common/IndexManifest.h"
#include "search/engine/IndexDirectory.h"

namespace {

const std::string& folder() {
    static const std::string path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zeph-fuzz-XXXXXX").string();
        std::string made = mkdtemp(pattern.data());
        std::filesystem::create_directory(made + "/index");
        return made;
    }();
    return path;
}

void write(const std::string& name, const std::string& bytes) {
    int fd = ::open((folder() + "/index/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    constexpr size_t kRecords = 4096;
    std::string meta = input.substr(0, std::min(size, kRecords));
    if (meta.empty() || static_cast<unsigned char>(meta[0]) != 0xFF)
        meta.resize(zeph::index::kMetaIndexSize, '\0');
    std::string rest = size > kRecords ? input.substr(kRecords) : std::string();
    std::string postingBytes = rest.substr(0, rest.size() / 2), list = rest.substr(rest.size() / 2);
    write(zeph::index::kMetaIndexName, meta);
    write(zeph::index::kIndexDataName, postingBytes);
    write(zeph::index::kFileListName, list);
    write(zeph::index::kManifestName,
          zeph::index::formatManifest({list.size(), meta.size(), postingBytes.size(), 0}));

    zeph::IndexDirectory index;
    if (index.load(folder()) != zeph::IndexDirectory::LoadResult::Loaded) return 0;
    std::vector<std::uint32_t> postings;
    for (std::uint32_t slot = 0; slot < kRecords / zeph::index::kRecordSize; ++slot) {
        if (!index.readPostings(slot, postings))
            std::abort();  // a validated bucket always reads whole
        for (std::uint32_t id : postings) index.line(id);
    }
    return 0;
}
