// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortLock.h"

// Windows opens a serial port for one handle only; there is nothing more to take.
bool LockPortHandle(QSerialPort&) {
    return true;
}
