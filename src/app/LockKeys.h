// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether Caps Lock, Num Lock and Scroll Lock are on, for the status bar's indicators. `known` is
// false where the platform cannot tell; the indicators are hidden then.
struct LockKeyState {
    bool known = false;
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

LockKeyState ReadLockKeys();
