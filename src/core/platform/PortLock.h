// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>

// An advisory lock on an open port that a second opener (another program, or another
// port object in this one) cannot take. The device's own exclusive mode does not stop a process
// with administrator rights from opening the port again; this lock does.
// Returns false when another holder has it.
bool LockPortHandle(QSerialPort& port);
