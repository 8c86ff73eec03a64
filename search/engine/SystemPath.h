// A hit's path as the system has it: its UTF-8 form, or for a name held other
// than so (raw GBK bytes, escapes) the real bytes, so a program acts on the file.
#pragma once

#include <string>

#include "search/engine/ResultView.h"

namespace zeph {

std::string systemPath(const ResultRowView& row);

}  // namespace zeph
