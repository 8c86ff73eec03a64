#include "Intersect.h"

#include <algorithm>
#include <iterator>

namespace zeph {

namespace {

// Keeps the ids of `kept` that `other` holds. `other` is searched by
// galloping, so a short list against a long one costs little.
void keepCommon(std::vector<std::uint32_t>& kept, const std::vector<std::uint32_t>& other) {
    size_t out = 0;
    auto from = other.begin();
    for (std::uint32_t id : kept) {
        size_t step = 1;
        auto probe = from;
        while (probe != other.end() && *probe < id) {
            from = probe;
            probe = static_cast<size_t>(other.end() - probe) > step ? probe + step : other.end();
            step *= 2;
        }
        from = std::lower_bound(from, probe, id);
        if (from == other.end()) break;
        if (*from == id) kept[out++] = id;
    }
    kept.resize(out);
}

}  // namespace

std::vector<std::uint32_t> intersectPostings(std::vector<std::vector<std::uint32_t>> lists) {
    if (lists.empty()) return {};
    std::sort(lists.begin(), lists.end(),
              [](const auto& a, const auto& b) { return a.size() < b.size(); });
    std::vector<std::uint32_t> kept = std::move(lists.front());
    for (size_t i = 1; i < lists.size() && !kept.empty(); ++i) keepCommon(kept, lists[i]);
    return kept;
}

std::vector<std::uint32_t> unitePostings(const std::vector<std::vector<std::uint32_t>>& lists) {
    std::vector<std::uint32_t> united, merged;
    for (const auto& list : lists) {
        merged.clear();
        std::set_union(united.begin(), united.end(), list.begin(), list.end(),
                       std::back_inserter(merged));
        united.swap(merged);
    }
    return united;
}

}  // namespace zeph
