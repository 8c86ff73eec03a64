// The two index files, little-endian, no header, no gaps:
//   MetaIndex.idx  one 8-byte record (offset, count) per bucket: the 65536
//                  character buckets, then the 1600 pair buckets, then the
//                  2000 suffix buckets.
//   IndexData.idx  the postings (32-bit entry ids, strictly ascending within a
//                  bucket), bucket after bucket in record order.
// An empty bucket records count 0 and the postings size reached so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zeph::index {

inline constexpr std::uint32_t kCharacterBuckets = 65536;
inline constexpr std::uint32_t kPairBuckets = 1600;
inline constexpr std::uint32_t kSuffixBuckets = 2000;
inline constexpr std::uint32_t kTotalBuckets = kCharacterBuckets + kPairBuckets + kSuffixBuckets;
inline constexpr std::uint32_t kRecordSize = 8;
inline constexpr std::size_t kMetaIndexSize = std::size_t{kTotalBuckets} * kRecordSize;

// Position of a bucket in the record order.
inline constexpr std::uint32_t characterSlot(std::uint32_t key) {
    return key;
}
inline constexpr std::uint32_t pairSlot(std::uint32_t key) {
    return kCharacterBuckets + key;
}
inline constexpr std::uint32_t suffixSlot(std::uint32_t id) {
    return kCharacterBuckets + kPairBuckets + id;
}

// Extension ids past the table share its last bucket; negative ones too.
inline constexpr std::uint32_t kLastSuffixId = kSuffixBuckets - 1;
inline constexpr std::uint32_t suffixBucketOf(long long extensionId) {
    return (extensionId < 0 || extensionId > kLastSuffixId)
               ? kLastSuffixId
               : static_cast<std::uint32_t>(extensionId);
}

struct BucketEntry {
    std::uint32_t offset = 0;  // byte offset of the first posting in IndexData.idx
    std::uint32_t count = 0;   // number of postings
};

inline void storeLE32(unsigned char* out, std::uint32_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t loadLE32(const unsigned char* in) {
    return std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16 |
           std::uint32_t{in[3]} << 24;
}

// File names inside the index and tmp folders.
inline constexpr char kFileListName[] = "AllFiles.dat";
inline constexpr char kMetaIndexName[] = "MetaIndex.idx";
inline constexpr char kIndexDataName[] = "IndexData.idx";

}  // namespace zeph::index
