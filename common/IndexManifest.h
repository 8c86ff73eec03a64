// The manifest of an index generation: the sizes of its three files, written
// when the generation is published and checked when it is loaded, so a file
// cut short or replaced afterwards is seen as a damaged index instead of being
// answered from in part; and when the run's walk began, so the watcher knows
// which of the changes it saw the generation holds already. One line each:
//   AllFiles.dat <size>\nMetaIndex.idx <size>\nIndexData.idx <size>\n
//   WalkStarted <nanoseconds since 1970>\n
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/IndexFormat.h"

namespace zeph::index {

inline constexpr char kManifestName[] = "Manifest.txt";
inline constexpr char kWalkStarted[] = "WalkStarted";

struct Manifest {
    std::uint64_t fileList = 0;
    std::uint64_t metaIndex = 0;
    std::uint64_t indexData = 0;
    std::uint64_t walkStarted = 0;
    bool sizesEqual(const Manifest& other) const {
        return fileList == other.fileList && metaIndex == other.metaIndex &&
               indexData == other.indexData;
    }
};

inline std::string formatManifest(const Manifest& m) {
    return std::string(kFileListName) + " " + std::to_string(m.fileList) + "\n" + kMetaIndexName +
           " " + std::to_string(m.metaIndex) + "\n" + kIndexDataName + " " +
           std::to_string(m.indexData) + "\n" + kWalkStarted + " " + std::to_string(m.walkStarted) +
           "\n";
}

// nullopt unless the text is exactly the four lines in their order.
inline std::optional<Manifest> parseManifest(std::string_view text) {
    Manifest m;
    for (auto [name, value] : {std::pair{std::string_view(kFileListName), &m.fileList},
                               std::pair{std::string_view(kMetaIndexName), &m.metaIndex},
                               std::pair{std::string_view(kIndexDataName), &m.indexData},
                               std::pair{std::string_view(kWalkStarted), &m.walkStarted}}) {
        if (!text.starts_with(name) || text.size() <= name.size() || text[name.size()] != ' ')
            return std::nullopt;
        text.remove_prefix(name.size() + 1);
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
        if (ec != std::errc() || end == text.data() + text.size() || *end != '\n')
            return std::nullopt;
        text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
    }
    if (!text.empty()) return std::nullopt;
    return m;
}

}  // namespace zeph::index
