#include "ConfigCodes.h"

namespace zeph {

std::string fileTypeCaption(int type) {
    switch (type) {
        case 1:
            return "文本文件";
        case 2:
            return "图片文件";
        case 3:
            return "音视频文件";
        case 4:
            return "二进制文件";
        case 5:
            return "其它文件";
        default:
            return {};
    }
}

std::string fileTypeTabCaption(int type) {
    switch (type) {
        case 0:
            return "所有";
        case 1:
            return "文本";
        case 2:
            return "图片";
        case 3:
            return "音视频";
        case 4:
            return "二进制";
        case 5:
            return "其它";
        default:
            return {};
    }
}

std::string updateFrequencyCaption(int frequency) {
    switch (frequency) {
        case 0:
            return "每次开机更新索引";
        case 1:
            return "每天更新一次索引";
        case 2:
            return "每周更新一次索引";
        case 3:
            return "每月更新一次索引";
        case 4:
            return "手动更新索引";
        default:
            return {};
    }
}

std::optional<std::int64_t> expiryInterval(int frequency) {
    switch (frequency) {
        case 0:
            return 0;
        case 1:
            return 86400;
        case 2:
            return 604800;
        case 3:
            return 2592000;
        default:
            return std::nullopt;
    }
}

}  // namespace zeph
