// The GIF block structure, read without trusting the data: every header,
// colour table, block and sub-block is checked against the size before use.
// No Qt here, so the parser can be tested and fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zeph::gif {

inline constexpr int kMaxSide = 4096;       // larger pictures are refused
inline constexpr size_t kMaxFrames = 4096;  // more frames are refused
// Each frame is decoded at the size of the whole picture, four bytes a pixel:
// a picture whose frames would take more than this is refused, however few
// bytes it has in the file.
inline constexpr std::uint64_t kMaxDecodedBytes = 64 << 20;

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    int delay = -1;    // hundredths of a second; -1 without a graphic control extension
    int disposal = 0;  // 0 to 7
    size_t begin = 0;  // first byte of the frame (its graphic control extension, or first block)
    size_t end = 0;    // one past the end of its image
};

struct Picture {
    int width = 0, height = 0;
    size_t headerSize = 0;  // the 13-byte header and the global colour table
    std::vector<Frame> frames;
};

bool looksLikeGif(const unsigned char* data, size_t size);

// nullopt when the data is no well-formed GIF, is too large, would decode
// past kMaxDecodedBytes, or has no image.
std::optional<Picture> parse(const unsigned char* data, size_t size);

// The memory the frames take once decoded.
std::uint64_t decodedBytes(const Picture& picture);

// A GIF of one frame: the header, the global table, the frame, a trailer.
std::string singleFrame(const unsigned char* data, const Picture& picture, const Frame& frame);

}  // namespace zeph::gif
