// Handing a file, folder or web address to the desktop, through its opener
// (xdg-open). The opener is started at once and the pointer shows a busy
// state while it finds a program; whether the desktop had one is known only
// when the opener ends, so a failure is told later, on the UI thread, to
// onFailure (unless context is gone by then), with the opener's exit code.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace zeph {

// The opener's exit code; kOpenerNotStarted when nothing is at the path or
// the opener could not be started.
using OpenFailed = std::function<void(int exitCode)>;
inline constexpr int kOpenerNotStarted = -2;
// The opener's code for "no program handles this kind of file or address".
inline constexpr int kOpenerNoProgram = 3;

// Opens a local file or folder (as the windows show its path); false at once
// when nothing is at the path or the opener cannot be started.
bool openLocalPath(const QString& path, QObject* context = nullptr, OpenFailed onFailure = {});
// Opens an http or https address in the browser ("www.x.net" gets http://);
// any other scheme is refused.
bool openWebAddress(const QString& address, QObject* context = nullptr, OpenFailed onFailure = {});

// Why opening failed, in the user's words: no program for the kind of file
// (or, for a web address, no web browser) when that is the cause, else the
// text given.
QString openFailureText(int exitCode, const QString& otherwise, bool webAddress = false);
// Shows a failure message, unless the same message is showing already: a
// second click while the first opener was still looking never stacks a
// second box.
void showOpenFailure(const QString& text, const QString& caption = {});

}  // namespace zeph
