// What the progress display shows of a run: the percentage and the texts of
// the status and statistics lines (GBK).
#pragma once

#include <cstdint>
#include <string>

namespace zeph {

struct RunSnapshot {
    int stage = 0;
    int rootsDone = 0;
    int rootsTotal = 0;
    std::int64_t linesInRoot = 0;
    std::int64_t entries = 0;
    std::int64_t elapsedSeconds = 0;
    std::string currentFolder;
};

// 5 while reading the settings, 5 to 95 during the scan (each configured
// folder owns an equal share, crept through by lines written), 95 while
// building, 100 at the end. previous keeps the bar from going backwards.
int progressPercent(const RunSnapshot& snapshot, int previous);

// "正在扫描：<folder>" during the scan, "正在建立索引，请稍后..." while building, else "".
std::string progressStatusText(const RunSnapshot& snapshot);
// "扫描文件 N 个，耗时 S 秒，完成总进度的 P% ！"
std::string progressStatisticsText(const RunSnapshot& snapshot, int percent);

}  // namespace zeph
