// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LockKeys.h"

#include <windows.h>

LockKeyState ReadLockKeys() {
    LockKeyState state;
    state.known = true;
    state.caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
    state.num = (GetKeyState(VK_NUMLOCK) & 1) != 0;
    state.scroll = (GetKeyState(VK_SCROLL) & 1) != 0;
    return state;
}
