// How the content store keeps a document's text: in pieces of about
// kPieceBytes, each cut at a character and stored with the first
// kPieceOverlap bytes of the next, so a word that straddles two pieces stands
// whole in the first (a word looked for is at most 150 characters, far less
// than the overlap). A piece's id is its document's id times 2^kPieceBits plus
// its number. Each is a zlib stream, made and read by libdeflate (several
// times faster than zlib on pieces this small).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::content {

inline constexpr size_t kPieceBytes = 4 * 1024;
inline constexpr size_t kPieceOverlap = 1024;
inline constexpr int kPieceBits = 16;

inline std::int64_t firstPiece(std::int64_t document) {
    return document << kPieceBits;
}

// Where the pieces of a text end.
std::vector<size_t> pieceEnds(std::string_view text);
// The piece [begin, end) with the start of the next.
std::string_view pieceWithOverlap(std::string_view text, size_t begin, size_t end);

std::string packPiece(std::string_view text);
// nullopt when the bytes are no piece.
std::optional<std::string> unpackPiece(std::string_view packed);

}  // namespace zeph::content
