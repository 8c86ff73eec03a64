// Handing a file, folder or web address to the desktop, through its opener
// (xdg-open). The opener is started at once; whether the desktop had a
// program for the file is known only when it ends, so a failure is told
// later, on the UI thread, to onFailure (unless context is gone by then).
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace zeph {

using OpenFailed = std::function<void()>;

// Opens a local file or folder (as the windows show its path); false at once
// when nothing is at the path or the opener cannot be started.
bool openLocalPath(const QString& path, QObject* context = nullptr, OpenFailed onFailure = {});
// Opens an http or https address in the browser ("www.x.net" gets http://);
// any other scheme is refused.
bool openWebAddress(const QString& address, QObject* context = nullptr, OpenFailed onFailure = {});

}  // namespace zeph
