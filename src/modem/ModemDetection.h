// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ModemLink;

// Looks for the modem on COM1 and then COM2: the port opened and configured, DTR raised for one
// second, "AT\r" sent three times of which only the third answer counts. Returns true with the
// answering port left open; false with the port closed. Shows nothing: the dialogs report failure.
bool FindModem(ModemLink& link);
