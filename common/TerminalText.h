// Text a program writes for a person to read (help, messages, snippets) in
// the encoding of the user's locale. Paths are not such text: they keep the
// file system's bytes.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// The program's own GBK text as the locale wants it.
std::string terminalTextFromGbk(std::string_view gbk);
// UTF-8 text (snippets read from documents) as the locale wants it.
std::string terminalTextFromUtf8(std::string_view utf8);

}  // namespace zeph
