// Pinyin.dat, the readings and variants of the Chinese characters of GBK,
// made at build time from the Unicode Character Database's Unihan files
// (kMandarin, kHanyuPinyin and kTGHZ2013 readings; kSimplifiedVariant). Its
// layout, little-endian:
//   "ZPY2"
//   65536 x u32   per GBK code: offset of its readings in the pool, 0 for none
//   65536 x u16   per GBK code: the code of its simplified form, 0 for itself
//   26 x u32      per letter a-z: how many codes have a reading starting with it
//   n x u16       those codes, letter by letter, each letter's ascending
//   u32 + m x u32 every distinct reading, as the offset of one place in the
//                 pool that holds it, in the readings' order
//   pool          readings: lower-case ASCII without tones (ü as v), each
//                 character's comma-separated and ended by a NUL; offset 0
//                 holds a NUL.
// The lists by letter and of distinct readings are derived from the pool at
// build time, so a search that first wants the table only maps it.
// Names are matched by pinyin and in either script through it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileIO.h"

namespace zeph {

inline constexpr char kPinyinFileName[] = "Pinyin.dat";
inline constexpr char kPinyinMagic[] = "ZPY2";

class PinyinTable {
public:
    // The table of the program folder (GBK); nullptr when it is missing or damaged.
    static std::shared_ptr<const PinyinTable> load(const std::string& programFolder);
    // From the file's bytes (tests, the fuzzer).
    static std::shared_ptr<const PinyinTable> fromBytes(std::string bytes);

    // The GBK code of the double-byte character at text[at] (0 when there is none).
    static std::uint16_t codeAt(std::string_view text, size_t at);
    // Its readings, comma-separated ("" when it has none).
    std::string_view readings(std::uint16_t code) const;
    // Its simplified form (itself when it has none).
    std::uint16_t simplified(std::uint16_t code) const;
    // Every code with the same simplified form (itself included).
    const std::vector<std::uint16_t>& variants(std::uint16_t code) const;
    // Every code with a reading starting with the letter ('a'-'z').
    const std::vector<std::uint16_t>& startingWith(char letter) const;

    // Every distinct reading.
    const std::vector<std::string_view>& syllables() const { return m_syllables; }

    // How many characters have readings.
    size_t characters() const;

private:
    PinyinTable() = default;
    // The table over its bytes (held by m_bytes or m_file); nullptr when they are damaged.
    static std::shared_ptr<const PinyinTable> over(std::unique_ptr<PinyinTable> table,
                                                   std::string_view bytes);
    // Built at the first look-up of a variant: many searches need none.
    void buildVariants() const;

    std::string m_bytes;
    MappedFile m_file;
    const unsigned char* m_offsets = nullptr;
    const unsigned char* m_simplified = nullptr;
    std::string_view m_pool;
    std::array<std::vector<std::uint16_t>, 26> m_byLetter;
    std::vector<std::string_view> m_syllables;
    mutable std::once_flag m_variantsBuilt;
    mutable std::vector<std::vector<std::uint16_t>> m_variants;  // by simplified code, when more than one
    mutable std::vector<std::uint32_t> m_variantSlot;  // code -> index into m_variants + 1
};

}  // namespace zeph
