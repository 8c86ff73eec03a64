#include "LockKeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace zeph {

std::optional<LockKeyStates> readLockKeys() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    auto lit = [display](const char* indicator) {
        Bool on = False;
        Atom name = XInternAtom(display, indicator, False);
        return XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr) && on;
    };
    return LockKeyStates{lit("Caps Lock"), lit("Num Lock"), lit("Scroll Lock")};
}

}  // namespace zeph
