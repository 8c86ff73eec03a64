// The manifest of an index generation: the sizes of its three files, written
// when the generation is published and checked when it is loaded, so a file
// cut short or replaced afterwards is seen as a damaged index instead of being
// answered from in part. One line per file, in a fixed order:
//   AllFiles.dat <size>\nMetaIndex.idx <size>\nIndexData.idx <size>\n
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/IndexFormat.h"

namespace zeph::index {

inline constexpr char kManifestName[] = "Manifest.txt";

struct Manifest {
    std::uint64_t fileList = 0;
    std::uint64_t metaIndex = 0;
    std::uint64_t indexData = 0;
    bool operator==(const Manifest&) const = default;
};

inline std::string formatManifest(const Manifest& m) {
    return std::string(kFileListName) + " " + std::to_string(m.fileList) + "\n" + kMetaIndexName +
           " " + std::to_string(m.metaIndex) + "\n" + kIndexDataName + " " +
           std::to_string(m.indexData) + "\n";
}

// nullopt unless the text is exactly the three lines in their order.
inline std::optional<Manifest> parseManifest(std::string_view text) {
    Manifest m;
    for (auto [name, size] : {std::pair{std::string_view(kFileListName), &m.fileList},
                              std::pair{std::string_view(kMetaIndexName), &m.metaIndex},
                              std::pair{std::string_view(kIndexDataName), &m.indexData}}) {
        if (!text.starts_with(name) || text.size() <= name.size() || text[name.size()] != ' ')
            return std::nullopt;
        text.remove_prefix(name.size() + 1);
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *size);
        if (ec != std::errc() || end == text.data() + text.size() || *end != '\n')
            return std::nullopt;
        text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
    }
    if (!text.empty()) return std::nullopt;
    return m;
}

}  // namespace zeph::index
