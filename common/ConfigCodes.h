// Code sets of the configuration database: suffix types and update frequencies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zeph {

inline constexpr int kFirstFileType = 1;  // 文本文件
inline constexpr int kLastFileType = 5;   // 其它文件

// Caption of an ExtendName type in the extension editor ("文本文件"...), GBK; "" when unknown.
std::string fileTypeCaption(int type);
// Short caption on the tabs ("文本"...), GBK; tab 0 of the search panel is "所有".
std::string fileTypeTabCaption(int type);

inline constexpr int kManualUpdate = 4;
// Caption of an UpdateFrequency value ("每次开机更新索引"...), GBK; "" when unknown.
std::string updateFrequencyCaption(int frequency);
// Seconds after which the index has expired; nullopt when the value never expires.
std::optional<std::int64_t> expiryInterval(int frequency);

}  // namespace zeph
