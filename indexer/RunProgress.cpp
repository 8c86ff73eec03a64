#include "RunProgress.h"

#include <algorithm>

#include "indexer/IndexRun.h"

namespace zeph {

int progressPercent(const RunSnapshot& s, int previous) {
    int percent = previous;
    switch (s.stage) {
        case kStageReadingSettings:
            percent = 5;
            break;
        case kStageScanning:
            if (s.rootsTotal > 0) {
                int share = 90 / s.rootsTotal;
                int base =
                    static_cast<int>(static_cast<double>(s.rootsDone) / s.rootsTotal * 90 + 5);
                // 0.9 of a point per 3000 lines, never beyond the folder's share.
                int creep =
                    static_cast<int>(static_cast<double>(s.linesInRoot) * 0.00033333333 * 0.9);
                percent = std::min(base + std::min(creep, share), 95);
            }
            break;
        case kStageBuilding:
            percent = 95;
            break;
        default:
            percent = 100;
            break;
    }
    return std::clamp(std::max(percent, previous), 0, 100);
}

std::string progressStatusText(const RunSnapshot& s) {
    if (s.stage == kStageScanning) return "正在扫描：" + s.currentFolder;
    if (s.stage == kStageBuilding) return "正在建立索引，请稍后...";
    return {};
}

std::string progressStatisticsText(const RunSnapshot& s, int percent) {
    return "扫描文件 " + std::to_string(s.entries) + " 个，耗时 " +
           std::to_string(s.elapsedSeconds) + " 秒，完成总进度的 " + std::to_string(percent) +
           "% ！";
}

}  // namespace zeph
