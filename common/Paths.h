// Path text rules shared by both programs. Folders are kept without a
// trailing '/', except the root "/" itself.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// folder + '/' + name, never doubling the separator ("/" + "usr" is "/usr").
std::string joinPath(std::string_view folder, std::string_view name);
// The same into out (its buffer reused).
void joinPathInto(std::string& out, std::string_view folder, std::string_view name);

// Drops trailing '/' (but keeps "/" itself); "" stays "".
std::string normalizeFolder(std::string_view folder);

// True when path is folder itself or lies below it, by whole components
// ("/data/ab" does not contain "/data/abc"; "/" contains every absolute path).
// Bytes are compared exactly. Both arguments are normalized first.
bool folderContains(std::string_view folder, std::string_view path);

// The folder of the running program (from /proc/self/exe), as GBK text.
std::string executableFolder();

}  // namespace zeph
