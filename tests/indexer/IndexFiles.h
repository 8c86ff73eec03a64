// An independent reader of the published index files, for checking them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zeph::test {

struct ReadIndex {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> records;  // offset, count per bucket
    std::string data;
    std::vector<std::uint32_t> postings(size_t slot) const {
        std::vector<std::uint32_t> out;
        auto [offset, count] = records.at(slot);
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(data.data() + offset + 4 * i);
            out.push_back(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24);
        }
        return out;
    }
};

inline ReadIndex readIndex(const std::string& meta, const std::string& data) {
    ReadIndex index;
    index.data = data;
    for (size_t i = 0; i + 8 <= meta.size(); i += 8) {
        auto* p = reinterpret_cast<const unsigned char*>(meta.data() + i);
        index.records.emplace_back(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24,
                                   p[4] | p[5] << 8 | p[6] << 16 | std::uint32_t(p[7]) << 24);
    }
    return index;
}

}  // namespace zeph::test
