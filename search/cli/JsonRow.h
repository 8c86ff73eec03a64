// A hit as one JSON object on one line, for programs that use zeph-query:
//   {"path": ..., "name": ..., "folder": ..., "size": 123, "modified": ...,
//    "created": ..., "accessed": ..., "kind": "file", "type": ..., "snippet": ...}
// Texts are UTF-8; a path, name or folder whose bytes are not UTF-8 is given
// as its text with U+FFFD where a byte does not decode, and its bytes in
// base64 under the same key with "_base64". Times are ISO 8601 in local time
// with their offset; what cannot be read is null.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zeph {

// systemPath: the entry's bytes on disk; typeText: its type (GBK);
// snippet: the line where the content text is (UTF-8), when asked for.
std::string jsonRow(const std::string& systemPath, std::string_view gbkTypeText,
                    const std::optional<std::string>& snippet);

}  // namespace zeph
