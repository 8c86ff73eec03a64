// Names of entries as the index holds them (GBK) and as the system has them
// (bytes). A name in UTF-8 is held as its GBK form. A name in other bytes -
// raw GBK, as an archive made on a Chinese Windows machine unpacks - is held
// as those bytes when they are GB18030, with \xHH for any byte that is not;
// a TAB, line feed or carriage return is held as \t, \n or \r, so no line of
// the file list breaks. A name held with escapes has its backslashes held as
// \\, so a held form stands for one name only. Every name is held: names starting with '.' too
// (hidden: shown only when asked for). The system form of a held name that
// is not its UTF-8 form is found again among its folder's entries.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

std::string indexedName(std::string_view osName);
// Whether a held name (or path) holds an escape: its UTF-8 form is then not
// the name on disk.
bool isEscapedName(std::string_view held);

// A hidden entry: its name, or a folder above it, starts with '.'.
inline bool isHiddenEntry(std::string_view folder, std::string_view name) {
    return (!name.empty() && name[0] == '.') || folder.find("/.") != std::string_view::npos;
}

// The system's bytes of a held path (GBK), found component by component when
// its UTF-8 form is not there; "" when nothing answers to it.
std::string osPathOf(std::string_view gbkPath);
// The name of the entry of the open folder that is held as gbkName, or ""
// when none is.
std::string osNameIn(int dirFd, std::string_view gbkName);

}  // namespace zeph
