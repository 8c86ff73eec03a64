#include "tests/ui/GifBuilder.h"

namespace zeph::test {

namespace {
void le16(std::string& out, int value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
const unsigned char kPalette[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
}  // namespace

GifBuilder::GifBuilder(int width, int height) {
    m_data = "GIF89a";
    le16(m_data, width);
    le16(m_data, height);
    m_data += static_cast<char>(0x81);  // global table of 4 entries
    m_data += '\0';
    m_data += '\0';
    m_data.append(reinterpret_cast<const char*>(kPalette), sizeof kPalette);
}

void GifBuilder::subBlocks(std::string& out, const std::string& data) {
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        out += static_cast<char>(n);
        out.append(data, at, n);
    }
    out += '\0';
}

// LZW data with a clear code before every pixel: the codes stay 3 bits wide.
std::string GifBuilder::imageData(int pixels, int colour) {
    std::vector<int> codes;
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(4);
        codes.push_back(colour);
    }
    codes.push_back(5);
    std::string packed;
    unsigned bits = 0, count = 0;
    for (int code : codes) {
        bits |= static_cast<unsigned>(code) << count;
        count += 3;
        while (count >= 8) {
            packed += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) packed += static_cast<char>(bits & 0xFF);
    return packed;
}

GifBuilder& GifBuilder::frame(const GifFrameSpec& f) {
    if (f.control) {
        m_starts.push_back(m_data.size());
        m_data += "\x21\xF9\x04";
        m_data += static_cast<char>(f.disposal << 2);
        le16(m_data, f.delay);
        m_data += '\0';
        m_data += '\0';
    }
    m_starts.push_back(m_data.size());
    m_data += '\x2C';
    le16(m_data, f.left);
    le16(m_data, f.top);
    le16(m_data, f.width);
    le16(m_data, f.height);
    m_data += static_cast<char>(f.localTable ? 0x81 : 0);
    if (f.localTable) m_data.append(reinterpret_cast<const char*>(kPalette), sizeof kPalette);
    m_data += '\x02';  // LZW minimum code size
    subBlocks(m_data, imageData(f.width * f.height, f.colour));
    return *this;
}

GifBuilder& GifBuilder::comment(const std::string& text) {
    m_starts.push_back(m_data.size());
    m_data += "\x21\xFE";
    subBlocks(m_data, text);
    return *this;
}

GifBuilder& GifBuilder::application() {
    m_starts.push_back(m_data.size());
    m_data += "\x21\xFF\x0BNETSCAPE2.0";
    subBlocks(m_data, std::string("\x01\x00\x00", 3));
    return *this;
}

GifBuilder& GifBuilder::plainText() {
    m_starts.push_back(m_data.size());
    m_data += "\x21\x01\x0C";
    m_data += std::string(12, '\0');
    subBlocks(m_data, "text");
    return *this;
}

std::string GifBuilder::bytes(bool trailer) const {
    return trailer ? m_data + ";" : m_data;
}

}  // namespace zeph::test
