#include "GifBlocks.h"

namespace zeph::gif {

namespace {

unsigned le16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

size_t colourTableSize(unsigned char packed) {
    return (packed & 0x80) ? 3u * (1u << ((packed & 7) + 1)) : 0;
}

// Reads blocks from a position, each checked against the data's end.
class BlockReader {
public:
    BlockReader(const unsigned char* data, size_t size, size_t pos)
        : m_data(data), m_size(size), m_pos(pos) {}

    size_t pos() const { return m_pos; }
    bool has(size_t n) const { return n <= m_size - m_pos; }

    // Skips a chain of sub-blocks ending with a zero length byte.
    bool skipSubBlocks() {
        for (;;) {
            if (!has(1)) return false;
            size_t length = m_data[m_pos++];
            if (length == 0) return true;
            if (!has(length)) return false;
            m_pos += length;
        }
    }
    bool skip(size_t n) {
        if (!has(n)) return false;
        m_pos += n;
        return true;
    }
    const unsigned char* here() const { return m_data + m_pos; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos;
};

enum class Step { Image, Trailer, Other, Bad };

// Reads one block; fills the frame's fields that the block gives.
Step readBlock(BlockReader& in, Frame& frame, size_t& firstBlock, size_t& control) {
    if (!in.has(1)) return Step::Bad;
    size_t start = in.pos();
    unsigned char kind = in.here()[0];
    if (kind == 0x3B) return in.skip(1) ? Step::Trailer : Step::Bad;
    if (kind == 0x2C) {
        if (!in.has(11)) return Step::Bad;
        const unsigned char* d = in.here();
        frame.left = static_cast<int>(le16(d + 1));
        frame.top = static_cast<int>(le16(d + 3));
        frame.width = static_cast<int>(le16(d + 5));
        frame.height = static_cast<int>(le16(d + 7));
        // descriptor (10 bytes), local table, code size byte, data
        if (!in.skip(10) || !in.skip(colourTableSize(d[9])) || !in.skip(1) || !in.skipSubBlocks())
            return Step::Bad;
        if (firstBlock == SIZE_MAX) firstBlock = start;
        return Step::Image;
    }
    if (kind != 0x21 || !in.has(2)) return Step::Bad;
    unsigned char label = in.here()[1];
    switch (label) {
        case 0xF9: {  // graphic control extension: 21 F9 04 packed delay(2) index 00
            if (!in.has(8)) return Step::Bad;
            const unsigned char* d = in.here();
            frame.disposal = (d[3] >> 2) & 7;
            frame.delay = static_cast<int>(le16(d + 4));
            control = start;
            if (firstBlock == SIZE_MAX) firstBlock = start;
            return in.skip(8) ? Step::Other : Step::Bad;
        }
        case 0xFF:  // application extension: 21 FF 0B + 11 bytes, then sub-blocks
            return in.skip(14) && in.skipSubBlocks() ? Step::Other : Step::Bad;
        case 0xFE:  // comment extension
            return in.skip(2) && in.skipSubBlocks() ? Step::Other : Step::Bad;
        case 0x01:  // plain text extension: 21 01 0C + 12 bytes, then sub-blocks
            if (firstBlock == SIZE_MAX) firstBlock = start;
            return in.skip(15) && in.skipSubBlocks() ? Step::Other : Step::Bad;
        default:
            return Step::Bad;
    }
}

}  // namespace

bool looksLikeGif(const unsigned char* data, size_t size) {
    return size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
}

std::optional<Picture> parse(const unsigned char* data, size_t size) {
    if (!looksLikeGif(data, size) || size < 13) return std::nullopt;
    Picture picture;
    picture.width = static_cast<int>(le16(data + 6));
    picture.height = static_cast<int>(le16(data + 8));
    if (picture.width <= 0 || picture.height <= 0 || picture.width > kMaxSide ||
        picture.height > kMaxSide)
        return std::nullopt;
    picture.headerSize = 13 + colourTableSize(data[10]);
    if (picture.headerSize > size) return std::nullopt;

    BlockReader in(data, size, picture.headerSize);
    for (;;) {
        Frame frame;
        size_t firstBlock = SIZE_MAX, control = SIZE_MAX;
        Step step;
        while ((step = readBlock(in, frame, firstBlock, control)) == Step::Other) {
        }
        if (step != Step::Image)
            break;  // trailer, or a block that does not fit: the frames so far count
        frame.begin = control != SIZE_MAX ? control : firstBlock;
        frame.end = in.pos();
        if (picture.frames.size() == kMaxFrames) return std::nullopt;
        picture.frames.push_back(frame);
        if (decodedBytes(picture) > kMaxDecodedBytes) return std::nullopt;
    }
    if (picture.frames.empty()) return std::nullopt;
    return picture;
}

std::uint64_t decodedBytes(const Picture& picture) {
    return std::uint64_t(picture.width) * std::uint64_t(picture.height) * 4 * picture.frames.size();
}

std::string singleFrame(const unsigned char* data, const Picture& picture, const Frame& frame) {
    std::string out(reinterpret_cast<const char*>(data), picture.headerSize);
    out.append(reinterpret_cast<const char*>(data) + frame.begin, frame.end - frame.begin);
    out += '\x3B';
    return out;
}

}  // namespace zeph::gif
