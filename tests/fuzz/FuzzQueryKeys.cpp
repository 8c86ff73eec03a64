// Names and tokens of any bytes: every key of a token found in a name is a key
// the indexer stores for that name.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "common/KeyScheme.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 2) return 0;
    std::string name(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (name.find('\0') != std::string::npos) return 0;
    // A token cut at character boundaries, as a user would type it.
    std::set<std::pair<int, std::uint32_t>> stored;
    std::string lowered = zeph::lowerBytes(name);
    zeph::forEachNameKey(lowered, [&](zeph::KeyTable t, std::uint32_t k) {
        stored.insert({int(t), k});
    });
    std::vector<size_t> starts;
    for (size_t i = 0; i < name.size(); i += static_cast<unsigned char>(name[i]) >= 0x80 ? 2 : 1)
        starts.push_back(i);
    starts.push_back(name.size());
    if (starts.back() > name.size()) return 0;
    size_t from = starts[data[0] % starts.size()];
    size_t to = starts[(data[0] / 7) % starts.size()];
    if (to <= from || to > name.size()) return 0;
    for (const auto& key : zeph::queryKeys(name.substr(from, to - from)))
        if (!stored.count({int(key.table), key.key})) std::abort();
    return 0;
}
