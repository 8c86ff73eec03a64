// The registered suffixes (ExtendName), read once at start: a suffix's
// ExtendID, the description shown as a result's type, and its type tab.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zeph {

class CSQLiteDB;

class ExtensionTable {
public:
    struct Entry {
        std::int64_t id;
        std::string description;
        int type = 0;  // the type tab it is listed under (1 to 5)
    };

    // Reads the table; false when the query fails.
    bool load(CSQLiteDB& db);

    // The entry of a lower-cased suffix, or nullptr when it is not registered.
    const Entry* find(std::string_view loweredSuffix) const;
    // Length of the type flags: the highest ExtendID plus one (bounded).
    size_t typeFlagCount() const { return m_typeFlagCount; }
    // Calls visit(suffix, entry) for every registered suffix.
    template <class Visit>
    void forEach(Visit&& visit) const {
        for (const auto& [suffix, entry] : m_entries) visit(suffix, entry);
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, Entry, Hash, std::equal_to<>> m_entries;
    size_t m_typeFlagCount = 0;
};

}  // namespace zeph
