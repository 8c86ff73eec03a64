// GIF data of any content: the block parser never reads past it, the
// one-frame pictures it builds stay within the data, and the frames it accepts
// decode within the memory bound.
#include <cstdint>
#include <cstdlib>

#include "common/widgets/GifBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    auto picture = zeph::gif::parse(data, size);
    if (!picture) return 0;
    // What the window would decode stays within the bound, however small the data.
    if (zeph::gif::decodedBytes(*picture) > zeph::gif::kMaxDecodedBytes) std::abort();
    for (const auto& frame : picture->frames) {
        if (frame.begin > frame.end || frame.end > size) std::abort();
        zeph::gif::singleFrame(data, *picture, frame);
    }
    return 0;
}
