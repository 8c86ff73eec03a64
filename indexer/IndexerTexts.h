// Texts and limits the indexer's stages share. Texts are GBK.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

namespace zeph {

// Entry ids and posting offsets are unsigned 32-bit values.
inline constexpr std::uint64_t kMaxFileListOffset = std::numeric_limits<std::uint32_t>::max();
inline constexpr std::uint64_t kMaxIndexDataSize = std::numeric_limits<std::uint32_t>::max();

std::string indexFailedCaption();
std::string fileListTooLargeText();
std::string indexDataTooLargeText();
std::string fileListWriteFailedText();

// "系统文件丢失,请与开发商联系!异常点为文件 %s 的第 %d 行\n" filled in.
std::string systemFileMissingText(int line);
// "导入文件内容失败！文件 %s 的第 %d 行！" filled in.
std::string importFailedText(int line);

// Paths inside the program folder.
std::string tmpFile(const std::string& programFolder, const char* name);

// Removes the run's work files from tmp/: a failed or stopped run must not
// leave them filling the disk.
void removeWorkFiles(const std::string& programFolder);

// Ends a failed run: removes its work files, then shows the text (when there
// is one) and ends the process with the code.
[[noreturn]] void failRun(const std::string& programFolder, int code, const std::string& text,
                          const std::string& caption = {});

}  // namespace zeph
