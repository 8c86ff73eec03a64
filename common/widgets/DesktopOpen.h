// Handing a file, folder or web address to the desktop.
#pragma once

#include <QString>

namespace zeph {

// Opens a local file or folder with the desktop's handler; false when that failed.
bool openLocalPath(const QString& path);
// Opens an http or https address in the browser ("www.x.net" gets http://);
// any other scheme is refused.
bool openWebAddress(const QString& address);

}  // namespace zeph
