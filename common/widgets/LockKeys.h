// The state of the lock keys (Caps, Num, Scroll Lock) where the platform
// tells it: on X11, from the keyboard's indicators. Elsewhere (Wayland
// without X, offscreen) nothing is known.
#pragma once

#include <optional>

namespace zeph {

struct LockKeyStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

std::optional<LockKeyStates> readLockKeys();

}  // namespace zeph
