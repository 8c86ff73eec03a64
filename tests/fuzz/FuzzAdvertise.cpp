// A server response of any content: the tagged values are found or refused,
// and a value never holds its own closing tag.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/WebFetch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string response(reinterpret_cast<const char*>(data), size);
    for (bool breakLines : {false, true}) {
        zeph::AdvertiseInfo info;
        if (zeph::parseAdvertise(response, breakLines, info) != zeph::AdvertiseParse::Ok) continue;
        if (info.picture.find("</AdsPicture>") != std::string::npos ||
            info.link.find("</AdsURL>") != std::string::npos ||
            info.text.find("</AdvertiseText>") != std::string::npos)
            std::abort();
        if (breakLines && info.text.find("<br>") != std::string::npos) std::abort();
        zeph::isWebAddress(info.link);
    }
    return 0;
}
