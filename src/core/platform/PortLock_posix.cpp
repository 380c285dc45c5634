// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/PortLock.h"

#include <cerrno>
#include <sys/file.h>

bool LockPortHandle(QSerialPort& port) {
    const int handle = port.handle();
    // flock belongs to the open file description, so a second open() of the same device, in this
    // process or another, is refused; the lock goes away with the descriptor.
    int result;
    do {
        result = ::flock(handle, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}
