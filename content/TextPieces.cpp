#include "TextPieces.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>

namespace zeph::content {

std::vector<size_t> pieceEnds(std::string_view text) {
    std::vector<size_t> ends;
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.size(), at + kPieceBytes);
        while (end < text.size() && end > at + 1 &&
               (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        ends.push_back(end);
        at = end;
    }
    return ends;
}

std::string_view pieceWithOverlap(std::string_view text, size_t begin, size_t end) {
    size_t stop = std::min(text.size(), end + kPieceOverlap);
    while (stop < text.size() && stop > end && (static_cast<unsigned char>(text[stop]) & 0xC0) == 0x80)
        --stop;
    return text.substr(begin, stop - begin);
}

namespace {

// Each thread keeps its own (de)compressor.
struct DeflateFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

std::string packPiece(std::string_view text) {
    thread_local std::unique_ptr<libdeflate_compressor, DeflateFree> compressor(
        libdeflate_alloc_compressor(1));
    if (!compressor) return {};
    std::string packed(libdeflate_zlib_compress_bound(compressor.get(), text.size()), '\0');
    size_t size = libdeflate_zlib_compress(compressor.get(), text.data(), text.size(),
                                           packed.data(), packed.size());
    if (size == 0) return {};
    packed.resize(size);
    return packed;
}

std::optional<std::string> unpackPiece(std::string_view packed) {
    thread_local std::unique_ptr<libdeflate_decompressor, DeflateFree> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) return std::nullopt;
    std::string text(kPieceBytes + kPieceOverlap, '\0');
    size_t size = 0;
    if (libdeflate_zlib_decompress(decompressor.get(), packed.data(), packed.size(), text.data(),
                                   text.size(), &size) != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    text.resize(size);
    return text;
}

}  // namespace zeph::content
