// Builds GIF files byte by byte for the picture tests: a 4-colour global
// table (black, red, green, blue) and frames of one colour each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeph::test {

struct GifFrameSpec {
    int left, top, width, height;
    int colour;  // palette index 0-3
    int disposal = 1;
    int delay = 10;       // hundredths of a second
    bool control = true;  // with a graphic control extension
    bool localTable = false;
};

class GifBuilder {
public:
    GifBuilder(int width, int height);
    GifBuilder& frame(const GifFrameSpec& frame);
    GifBuilder& comment(const std::string& text);
    GifBuilder& application();
    GifBuilder& plainText();
    std::string bytes(bool trailer = true) const;
    // Offsets where each block starts, for truncating inside every kind.
    const std::vector<size_t>& blockStarts() const { return m_starts; }

private:
    static void subBlocks(std::string& out, const std::string& data);
    static std::string imageData(int pixels, int colour);

    std::string m_data;
    std::vector<size_t> m_starts;
};

}  // namespace zeph::test
